// CKaBaseException: abstract base of exception types that callers define.
//
// A derived class supplies its text through GetMessageText; whoever holds the
// base reads it through operator*, which returns the derived class's pointer
// unchanged (null included) and neither copies nor frees it. How long the text
// stays valid is the derived class's decision. The class has no state: copies
// and assignments copy nothing. The library itself never throws it. Any
// thread may use an object that no other thread is changing.
#ifndef VO_TOOLS_BASE_EXCEPTION_H_
#define VO_TOOLS_BASE_EXCEPTION_H_

#include "vo_tools/export.h"

class VO_TOOLS_API CKaBaseException {
 public:
  CKaBaseException();
  CKaBaseException(const CKaBaseException& other);
  virtual ~CKaBaseException();
  CKaBaseException& operator=(const CKaBaseException& other);

  // The exception's text, as the most derived GetMessageText returns it.
  char* operator*();

 protected:
  virtual char* GetMessageText() = 0;
};

#endif  // VO_TOOLS_BASE_EXCEPTION_H_
