// Force-included into every C++ file of the Windows builds (CMakeLists.txt).
// libstdc++ declares std::string's members extern templates, so a program
// links the library's explicit instantiation: every member with its unwind
// data, ~28 KB on i686, as the PE linker cannot drop unused unwind entries.
// With the declarations off, each file instantiates only what it uses and
// link-time optimisation keeps what is called. -1 is libstdc++'s own value
// for this (its assertion mode uses it): it affects basic_string only.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
