// Run-time pieces that keep Tarnwick.exe small. Linked into Tarnwick.exe
// itself, not through the program's static library: the linker must see these
// definitions before it searches libstdc++ and the mingw-w64 runtime, so that
// the library members they replace are never pulled in.
//
// What is replaced, and why (measured with a link map of the i686 build):
//  - libstdc++'s verbose terminate handler prints the exception's demangled
//    type to stderr: the demangler and a printf engine, ~80 KB. A GUI program
//    has no stderr; it ends the same way without the report.
//  - libstdc++'s std::__throw_* helpers build std::logic_error and friends,
//    whose copy-on-write message strings pull in a second std::string
//    implementation (~50 KB). The wizard catches only its own RuntimeError,
//    std::bad_alloc and (...), so the message-carrying ones throw a small
//    exception with the same text instead; the others throw what they always
//    threw.
//  - mingw-w64's C99 snprintf and strtod carry their own floating-point
//    formatter and parser (~40 KB). The wizard formats integers and one
//    double with %.15g and parses plain decimals, which msvcrt.dll does alike.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}

namespace {
// Thrown where the library would throw a std::logic_error or
// std::runtime_error; what() gives the library's message.
class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* sWhat) : m_sWhat(sWhat ? sWhat : "C++ library error") {}
  const char* what() const noexcept override { return m_sWhat; }

 private:
  const char* m_sWhat;
};
}  // namespace

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* s) { throw LibraryError(s); }
void __throw_domain_error(const char* s) { throw LibraryError(s); }
void __throw_invalid_argument(const char* s) { throw LibraryError(s); }
void __throw_length_error(const char* s) { throw LibraryError(s); }
void __throw_out_of_range(const char* s) { throw LibraryError(s); }
void __throw_out_of_range_fmt(const char* s, ...) { throw LibraryError(s); }
void __throw_runtime_error(const char* s) { throw LibraryError(s); }
void __throw_range_error(const char* s) { throw LibraryError(s); }
void __throw_overflow_error(const char* s) { throw LibraryError(s); }
void __throw_underflow_error(const char* s) { throw LibraryError(s); }
}  // namespace std

#ifdef _WIN32
// msvcrt.dll's own functions, by their link names (the headers map the plain
// names onto the mingw-w64 versions replaced here).
#define TW_CRT_NAME2(prefix, name) #prefix #name
#define TW_CRT_NAME(prefix, name) TW_CRT_NAME2(prefix, name)
extern "C" int CrtVsnprintf(char* buf, size_t n, const char* fmt, va_list ap)
    __asm__(TW_CRT_NAME(__USER_LABEL_PREFIX__, _vsnprintf));
extern "C" double CrtStrtod(const char* s, char** end) __asm__(TW_CRT_NAME(__USER_LABEL_PREFIX__, strtod));

extern "C" {
// C99 semantics on top of msvcrt's: always terminated; on truncation the
// result is at least n, as C99 callers test (the exact length is unknown).
int __mingw_vsnprintf(char* buf, size_t n, const char* fmt, va_list ap) {
  if (n == 0) return 1;
  int r = CrtVsnprintf(buf, n, fmt, ap);
  if (r < 0 || size_t(r) >= n) {
    buf[n - 1] = '\0';
    return r < 0 ? int(n) : r;
  }
  return r;
}

int __mingw_snprintf(char* buf, size_t n, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = __mingw_vsnprintf(buf, n, fmt, ap);
  va_end(ap);
  return r;
}

double __mingw_strtod(const char* s, char** end) { return CrtStrtod(s, end); }
}
#endif
