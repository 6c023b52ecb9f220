// The file-system entries of the vendor's msvcp140 that <filesystem> calls
// and Wine 8's msvcp140 lacks, over the same Win32 calls. Only what this
// project's programs use (the tests' scratch folders); a module that needs
// another fails to link.
#include <windows.h>
#include <xfilesystem_abi.h>

namespace {
__std_win_error LastError() {
  return static_cast<__std_win_error>(GetLastError());
}
__std_win_error ErrorOf(BOOL ok) {
  return ok ? __std_win_error::_Success : LastError();
}
bool Has(__std_fs_stats_flags flags, __std_fs_stats_flags flag) {
  return (static_cast<unsigned long>(flags) & static_cast<unsigned long>(flag)) != 0;
}
__std_fs_convert_result Converted(int length) {
  return {length, length == 0 ? LastError() : __std_win_error::_Success};
}
__std_fs_convert_result ToNarrow(__std_code_page page, const wchar_t* in, int in_length, char* out,
                                 int out_length, bool exact) {
  if (in_length == 0) return {0, __std_win_error::_Success};
  if (page == __std_code_page::_Utf8 || !exact)
    return Converted(WideCharToMultiByte(static_cast<UINT>(page),
                                         page == __std_code_page::_Utf8 ? WC_ERR_INVALID_CHARS : 0,
                                         in, in_length, out, out_length, nullptr, nullptr));
  BOOL lossy = FALSE;
  int length = WideCharToMultiByte(static_cast<UINT>(page), WC_NO_BEST_FIT_CHARS, in, in_length,
                                   out, out_length, nullptr, &lossy);
  if (lossy) return {0, static_cast<__std_win_error>(ERROR_NO_UNICODE_TRANSLATION)};
  return Converted(length);
}
}  // namespace

extern "C" {
__std_code_page __stdcall __std_fs_code_page() noexcept {
  return static_cast<__std_code_page>(AreFileApisANSI() ? GetACP() : GetOEMCP());
}
__std_fs_convert_result __stdcall __std_fs_convert_narrow_to_wide(__std_code_page page,
                                                                  const char* in, int in_length,
                                                                  wchar_t* out,
                                                                  int out_length) noexcept {
  if (in_length == 0) return {0, __std_win_error::_Success};
  return Converted(MultiByteToWideChar(static_cast<UINT>(page), MB_ERR_INVALID_CHARS, in, in_length,
                                       out, out_length));
}
__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow(__std_code_page page,
                                                                  const wchar_t* in, int in_length,
                                                                  char* out,
                                                                  int out_length) noexcept {
  return ToNarrow(page, in, in_length, out, out_length, true);
}
__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow_replace_chars(
    __std_code_page page, const wchar_t* in, int in_length, char* out, int out_length) noexcept {
  return ToNarrow(page, in, in_length, out, out_length, false);
}

__std_ulong_and_error __stdcall __std_fs_get_temp_path(wchar_t* target) noexcept {
  DWORD size = GetTempPathW(__std_fs_temp_path_max, target);
  return {size, size == 0 ? LastError() : __std_win_error::_Success};
}

__std_ulong_and_error __stdcall __std_fs_get_current_path(unsigned long size,
                                                          wchar_t* target) noexcept {
  DWORD length = GetCurrentDirectoryW(size, target);
  return {length, length == 0 ? LastError() : __std_win_error::_Success};
}
__std_win_error __stdcall __std_fs_set_current_path(const wchar_t* path) noexcept {
  return ErrorOf(SetCurrentDirectoryW(path));
}

__std_win_error __stdcall __std_fs_get_stats(const wchar_t* path, __std_fs_stats* stats,
                                             __std_fs_stats_flags flags,
                                             __std_fs_file_attr) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return LastError();
  const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  stats->_Link_count = 1;
  if (Has(flags, __std_fs_stats_flags::_Link_count) ||
      (reparse && Has(flags, __std_fs_stats_flags::_Follow_symlinks))) {
    const DWORD open =
        FILE_FLAG_BACKUP_SEMANTICS |
        (Has(flags, __std_fs_stats_flags::_Follow_symlinks) ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, open, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!ok) return LastError();
    data.dwFileAttributes = info.dwFileAttributes;
    data.ftLastWriteTime = info.ftLastWriteTime;
    data.nFileSizeHigh = info.nFileSizeHigh;
    data.nFileSizeLow = info.nFileSizeLow;
    stats->_Link_count = info.nNumberOfLinks;
  }
  stats->_Attributes = static_cast<__std_fs_file_attr>(data.dwFileAttributes);
  stats->_File_size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stats->_Last_write_time = static_cast<long long>(
      (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
      data.ftLastWriteTime.dwLowDateTime);
  stats->_Reparse_point_tag = __std_fs_reparse_tag::_None;
  if (reparse && Has(flags, __std_fs_stats_flags::_Reparse_tag)) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return LastError();
    FindClose(search);
    stats->_Reparse_point_tag = static_cast<__std_fs_reparse_tag>(found.dwReserved0);
  }
  stats->_Available = flags;
  return __std_win_error::_Success;
}

__std_win_error __stdcall __std_fs_directory_iterator_open(const wchar_t* pattern,
                                                           __std_fs_dir_handle* handle,
                                                           __std_fs_find_data* results) noexcept {
  __std_fs_directory_iterator_close(*handle);
  HANDLE search =
      FindFirstFileExW(pattern, FindExInfoBasic, results, FindExSearchNameMatch, nullptr, 0);
  *handle = static_cast<__std_fs_dir_handle>(reinterpret_cast<intptr_t>(search));
  return search == INVALID_HANDLE_VALUE ? LastError() : __std_win_error::_Success;
}
__std_win_error __stdcall __std_fs_directory_iterator_advance(
    __std_fs_dir_handle handle, __std_fs_find_data* results) noexcept {
  return ErrorOf(FindNextFileW(reinterpret_cast<HANDLE>(handle),
                               reinterpret_cast<WIN32_FIND_DATAW*>(results)));
}
void __stdcall __std_fs_directory_iterator_close(__std_fs_dir_handle handle) noexcept {
  if (handle != __std_fs_dir_handle::_Invalid) FindClose(reinterpret_cast<HANDLE>(handle));
}

__std_fs_create_directory_result __stdcall __std_fs_create_directory(const wchar_t* path) noexcept {
  if (CreateDirectoryW(path, nullptr)) return {true, __std_win_error::_Success};
  const __std_win_error error = LastError();
  if (error != __std_win_error::_Already_exists) return {false, error};
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return {false, __std_win_error::_Success};
  return {false, error};
}
__std_fs_remove_result __stdcall __std_fs_remove(const wchar_t* path) noexcept {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const __std_win_error error = LastError();
    if (__std_is_file_not_found(error)) return {false, __std_win_error::_Success};
    return {false, error};
  }
  const BOOL ok =
      (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path) : DeleteFileW(path);
  return {ok != FALSE, ErrorOf(ok)};
}
__std_win_error __stdcall __std_fs_resize_file(const wchar_t* path, uintmax_t size) noexcept {
  HANDLE file =
      CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  const BOOL ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  const __std_win_error error = ErrorOf(ok);
  CloseHandle(file);
  return error;
}
__std_win_error __stdcall __std_fs_change_permissions(const wchar_t* path, bool,
                                                      bool read_only) noexcept {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  const DWORD changed = read_only ? attributes | FILE_ATTRIBUTE_READONLY
                                  : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
  return changed == attributes ? __std_win_error::_Success
                               : ErrorOf(SetFileAttributesW(path, changed));
}
__std_win_error __stdcall __std_fs_create_symbolic_link(const wchar_t* link,
                                                        const wchar_t* target) noexcept {
  return ErrorOf(CreateSymbolicLinkW(link, target, 0x2 /* unprivileged */) ||
                 CreateSymbolicLinkW(link, target, 0));
}
__std_win_error __stdcall __std_fs_rename(const wchar_t* from, const wchar_t* to) noexcept {
  return ErrorOf(MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING));
}
}
