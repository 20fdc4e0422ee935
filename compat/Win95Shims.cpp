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
//  - libstdc++ keeps the exceptions in flight per thread, in emulated
//    thread-local storage with its key machinery (~2 KB). The wizard runs C++
//    code on one thread only: one block serves.
//  - libstdc++ allocates exceptions from the heap with an emergency pool
//    behind it, whose lock links the threads layer (~4 KB). The heap alone
//    serves: an exception object is small, and when even that cannot be had
//    the program ends, as it would when the pool ran dry.
//  - libgcc's frame registry (sorted tables for many modules, behind
//    semaphores, ~10 KB) on i686: a walk over the program's one .eh_frame
//    finds the frame being unwound. The start-up's maths-error reporter and
//    crash-to-signal filter (~1 KB, fprintf and signal) go too.
//  - mingw-w64's start-up patches pseudo relocations (data imported from
//    DLLs) with a relocator, a section walker and its diagnostics (~3 KB).
//    The program imports no data, so the linker writes none.
//  - libgcc's personality for C code (~1.5 KB), which link-time optimisation
//    gives the functions that only clean up: the C++ one serves them.
//  - mingw-w64's thread-local storage support (~2 KB with its section): no
//    thread_local object, no second thread.
//  - mingw-w64's sqrt with its error reporting (~0.6 KB): the square roots
//    are the FPU's instruction.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>
#include <unwind.h>

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

// The C++ ABI's per-thread exception record (caught exceptions, the count of
// uncaught ones), for the program's one thread.
namespace __cxxabiv1 {
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};
extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  static __cxa_eh_globals globals;
  return &globals;
}
extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

// The header the runtime keeps in front of every thrown object: the C++ ABI's
// __cxa_exception with libstdc++'s reference count before it. Its size must be
// the library's own (96 bytes on i686, 160 on x86_64 in GCC 12's libstdc++),
// or the runtime would write outside the block.
struct CxaException {
  std::type_info* exceptionType;
  void (*exceptionDestructor)(void*);
  void (*unexpectedHandler)();
  void (*terminateHandler)();
  CxaException* nextException;
  int handlerCount;
  int handlerSwitchValue;
  const unsigned char* actionRecord;
  const unsigned char* languageSpecificData;
  _Unwind_Ptr catchTemp;
  void* adjustedPtr;
  _Unwind_Exception unwindHeader;
};
struct RefcountedException {
  int referenceCount;
  CxaException exc;
};
static_assert(sizeof(RefcountedException) == (sizeof(void*) == 4 ? 96 : 160),
              "exception header differs from libstdc++'s");

extern "C" void* __cxa_allocate_exception(std::size_t nThrownSize) noexcept {
  void* p = std::malloc(sizeof(RefcountedException) + nThrownSize);
  if (!p) std::terminate();
  std::memset(p, 0, sizeof(RefcountedException));
  return static_cast<char*>(p) + sizeof(RefcountedException);
}
extern "C" void __cxa_free_exception(void* pThrown) noexcept {
  std::free(static_cast<char*>(pThrown) - sizeof(RefcountedException));
}
}  // namespace __cxxabiv1

#if defined(_WIN32) && defined(__i386__)
// libgcc's frame registry keeps sorted tables of the frame descriptions of
// any number of modules, behind locks (~10 KB, and semaphore imports). The
// program has one .eh_frame, registered by the start-up code, and unwinds
// only when an exception is thrown: a walk over that one table serves.
extern "C" {
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
}

namespace {
const unsigned char* g_pEhFrame;

const unsigned char* ReadLeb128(const unsigned char* p, unsigned long* pValue, bool bSigned) {
  unsigned long v = 0;
  unsigned nShift = 0;
  unsigned char b;
  do {
    b = *p++;
    v |= (unsigned long)(b & 0x7F) << nShift;
    nShift += 7;
  } while (b & 0x80);
  if (bSigned && nShift < 32 && (b & 0x40)) v |= ~0UL << nShift;
  *pValue = v;
  return p;
}

// A pointer in one of the encodings GCC writes on i386 (DW_EH_PE_*): plain
// or relative to where it stands, in 2, 4 or 8 bytes or LEB128.
const unsigned char* ReadEncoded(unsigned char nEncoding, const unsigned char* p, unsigned long* pValue) {
  const unsigned char* pAt = p;
  unsigned long v = 0;
  switch (nEncoding & 0x0F) {
    case 0x00: case 0x03: case 0x0B: std::memcpy(&v, p, 4); p += 4; break;
    case 0x04: case 0x0C: std::memcpy(&v, p, 4); p += 8; break;
    case 0x02: { unsigned short h; std::memcpy(&h, p, 2); v = h; p += 2; break; }
    case 0x0A: { short h; std::memcpy(&h, p, 2); v = (unsigned long)(long)h; p += 2; break; }
    case 0x01: p = ReadLeb128(p, &v, false); break;
    case 0x09: p = ReadLeb128(p, &v, true); break;
    default: abort();
  }
  if ((nEncoding & 0x70) == 0x10) v += (unsigned long)pAt;
  *pValue = v;
  return p;
}

// The encoding of the code addresses in the FDEs of a CIE ("zR...").
unsigned char FdeEncoding(const unsigned char* pCie) {
  const unsigned char* p = pCie + 8;
  const unsigned char nVersion = *p++;
  const char* sAugmentation = reinterpret_cast<const char*>(p);
  p += std::strlen(sAugmentation) + 1;
  if (sAugmentation[0] != 'z') return 0;
  unsigned long v;
  p = ReadLeb128(p, &v, false);   // code alignment
  p = ReadLeb128(p, &v, true);    // data alignment
  if (nVersion == 1) ++p; else p = ReadLeb128(p, &v, false);   // return address column
  p = ReadLeb128(p, &v, false);   // augmentation data length
  for (const char* a = sAugmentation + 1; *a; ++a) {
    if (*a == 'R') return *p;
    if (*a == 'L') ++p;
    if (*a == 'P') {
      const unsigned char nPersonality = *p++;
      p = ReadEncoded(nPersonality & 0x7F, p, &v);
    }
  }
  return 0;
}
}  // namespace

extern "C" {
void __register_frame_info(const void* pBegin, void*) { g_pEhFrame = static_cast<const unsigned char*>(pBegin); }
void* __deregister_frame_info(const void*) {
  g_pEhFrame = nullptr;
  return nullptr;
}

// The drawing code's square roots compile to the FPU instruction
// (-fno-math-errno), but the link sees the reference before optimisation and
// would take mingw-w64's sqrt with its error reporting (~0.6 KB).
double sqrt(double x) {
  double r;
  __asm__("fsqrt" : "=t"(r) : "0"(x));
  return r;
}

// mingw-w64's start-up installs a maths-error reporter that prints to
// stderr, and an exception filter that maps crashes onto C signals: a GUI
// program without either ends the same way, without fprintf and signal.
int _matherr(void*) { return 0; }
void __mingw_setusermatherr(int (*)(void*)) {}
long __stdcall _gnu_exception_handler(void*) { return 0; }   // EXCEPTION_CONTINUE_SEARCH
void* __mingw_oldexcpt_handler;

// Under link-time optimisation GCC gives functions that only clean up (no
// catch) the C language's personality, which pulls libgcc's second LSDA
// reader in (~1.5 KB). The C++ one reads the same tables and runs the same
// cleanups; it serves every frame.
_Unwind_Reason_Code __gxx_personality_v0(int, _Unwind_Action, _Unwind_Exception_Class, _Unwind_Exception*,
                                         _Unwind_Context*) __attribute__((nothrow));
__attribute__((used)) _Unwind_Reason_Code __gcc_personality_v0(int nVersion, _Unwind_Action nActions,
                                                               _Unwind_Exception_Class nClass,
                                                               _Unwind_Exception* pException,
                                                               _Unwind_Context* pContext) noexcept {
  return __gxx_personality_v0(nVersion, nActions, nClass, pException, pContext);
}

const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* pBases) {
  const unsigned long nPc = (unsigned long)pc;
  unsigned long nLength;
  for (const unsigned char* p = g_pEhFrame; p && (std::memcpy(&nLength, p, 4), nLength != 0); p += 4 + nLength) {
    unsigned long nCieOffset;
    std::memcpy(&nCieOffset, p + 4, 4);
    if (nCieOffset == 0) continue;   // a CIE
    const unsigned char nEncoding = FdeEncoding(p + 4 - nCieOffset);
    unsigned long nBegin, nRange;
    ReadEncoded(nEncoding & 0x0F, ReadEncoded(nEncoding, p + 8, &nBegin), &nRange);
    if (nPc >= nBegin && nPc - nBegin < nRange) {
      pBases->tbase = nullptr;
      pBases->dbase = nullptr;
      pBases->func = reinterpret_cast<void*>(nBegin);
      return p;
    }
  }
  return nullptr;
}
}
#endif

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

// mingw-w64's start-up links its thread-local storage support for any
// program: a TLS directory and section, callbacks that run key destructors
// and initialise thread_local objects in each thread, behind a critical
// section (~2 KB with the section). The wizard has no thread_local object and
// starts no threads; with these three flags and no callback defined here the
// start-up asks for none of it.
int __mingw_initltsdrot_force, __mingw_initltsdyn_force, __mingw_initltssuo_force;
extern void (__stdcall* const __dyn_tls_init_callback)(void*, unsigned long, void*) = nullptr;

// Should a pseudo relocation ever appear, stop at once rather than run with
// an address left unpatched.
extern char __RUNTIME_PSEUDO_RELOC_LIST__[], __RUNTIME_PSEUDO_RELOC_LIST_END__[];
void _pei386_runtime_relocator() {
  if (static_cast<void*>(__RUNTIME_PSEUDO_RELOC_LIST__) != static_cast<void*>(__RUNTIME_PSEUDO_RELOC_LIST_END__))
    abort();
}
}
#endif
