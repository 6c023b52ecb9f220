#include "fake_quill_log.h"

#include <stdexcept>

namespace vo_tools_test {
namespace {

class FakeLog : public IQuillLog1 {
 public:
  FakeLog() {
    std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
    ++FakeQuillLog().live_objects;
  }
  ~FakeLog() override {
    std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
    --FakeQuillLog().live_objects;
  }

  bool Configure(int service_level, int reserved, int flush_seconds) override {
    std::lock_guard<std::mutex> lock(FakeQuillLog().mutex);
    FakeQuillLog().configures.push_back({service_level, reserved, flush_seconds});
    return false;  // the library must not care
  }

  bool Write(const char* context, int number, int service_level, const char* piece, ...) override {
    FakeQuillLogRecord& record = FakeQuillLog();
    std::lock_guard<std::mutex> lock(record.mutex);
    record.writes.push_back(
        {context != nullptr ? context : "<null>", number, service_level, piece});
    if (record.write_results.empty()) return true;
    const bool result = record.write_results.front();
    record.write_results.pop_front();
    return result;
  }
};

}  // namespace

FakeQuillLogRecord& FakeQuillLog() {
  static FakeQuillLogRecord* record = new FakeQuillLogRecord;  // outlives the library's holder
  return *record;
}

}  // namespace vo_tools_test

QUILL::CSmartPtr<IQuillLog1> IQuillLog1::CreateInstance(const char* path,
                                                        unsigned long max_size_kib,
                                                        unsigned long backups,
                                                        const IQuillLogFormatter2* formatter,
                                                        const char* creation_text,
                                                        LogSharingModeEnum sharing_mode) {
  vo_tools_test::FakeQuillLogRecord& record = vo_tools_test::FakeQuillLog();
  {
    std::lock_guard<std::mutex> lock(record.mutex);
    if (record.throw_on_create) {
      record.throw_on_create = false;
      throw std::runtime_error("log service unavailable");
    }
    record.creates.push_back({path, max_size_kib, backups, formatter, creation_text == nullptr,
                              creation_text != nullptr ? creation_text : "",
                              static_cast<int>(sharing_mode)});
  }
  return QUILL::CSmartPtr<IQuillLog1>(new vo_tools_test::FakeLog, true);
}
