#include "vo_tools/base_exception.h"

// Defined out of line so that every member, the implicit copies included, is
// exported with the class and derived classes in other modules bind to them.
CKaBaseException::CKaBaseException() = default;
CKaBaseException::CKaBaseException(const CKaBaseException&) = default;
CKaBaseException::~CKaBaseException() = default;
CKaBaseException& CKaBaseException::operator=(const CKaBaseException&) = default;

char* CKaBaseException::operator*() {
  return GetMessageText();
}
