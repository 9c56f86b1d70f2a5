// What std::terminate does in the setup program: end at once.
//
// libstdc++'s default handler prints the type of an uncaught exception to standard error,
// which a GUI program does not have, and brings in the name demangler and printf (about 70 KB
// of the program). This definition replaces that handler: the linker takes it from here and
// leaves libstdc++'s out.
//
// Likewise what a math function's domain or range error does: mingw-w64's _matherr prints it to
// standard error too. This one leaves the result as the function gives it, as that one does after
// printing (it returns 0).

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

struct _exception;
extern "C" int _matherr(_exception* /*error*/) { return 0; }
