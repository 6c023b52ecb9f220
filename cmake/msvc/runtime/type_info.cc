// type_info's destructor, and with it its vftable (??_7type_info@@6B@),
// which the compiler's type descriptors point to and vcruntime140 does not
// export. The compiler emits a vftable with a constructor, which only this
// file gives type_info; built without RTTI, so the vftable keeps its plain
// name.
#define _VO_MSVC_EMIT_TYPE_INFO_VFTABLE
#include <typeinfo>

type_info::type_info() noexcept : _Data{} {}
type_info::~type_info() noexcept {}
