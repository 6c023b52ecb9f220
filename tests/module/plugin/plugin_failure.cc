#include "plugin_failure.h"

#include <cstdio>
#include <cstring>

PluginFailure::PluginFailure(int code) : code_(code) {
  std::snprintf(text_, sizeof text_, "plug-in failure %d", code);
}

PluginFailure::PluginFailure(const PluginFailure& other)
    : CKaBaseException(other), code_(other.code_) {
  std::memcpy(text_, other.text_, sizeof text_);
}

PluginFailure::~PluginFailure() = default;

PluginFailure& PluginFailure::operator=(const PluginFailure& other) {
  CKaBaseException::operator=(other);
  code_ = other.code_;
  std::memcpy(text_, other.text_, sizeof text_);
  return *this;
}

char* PluginFailure::GetMessageText() {
  return text_;
}

void ThrowPluginFailure(int code) {
  throw PluginFailure(code);
}

void AllocateInPlugin(std::size_t size) {
  char* volatile block = new char[size];  // volatile: the pair is not elided
  delete[] block;
}

ThrowingWakable::ThrowingWakable(int code) : code_(code) {}

ThrowingWakable::~ThrowingWakable() = default;

void ThrowingWakable::OnPeriodicTimer(KaRequestId) {
  ++calls_;
  throw PluginFailure(code_);
}

void ThrowingWakable::OnSingleTimer(KaRequestId) {
  ++calls_;
  throw PluginFailure(code_);
}
