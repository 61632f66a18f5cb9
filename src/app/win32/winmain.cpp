// Kestrova's entry point.
#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/win32/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kestrova::win::runProgram(instance);
}

// The static C++ runtime's default terminate handler prints the pending exception's demangled
// type name to standard error, which a GUI program does not have, and links in a whole
// demangler for it (a seventh of the exe). The program catches no exception: whatever reaches
// the runtime ends it as before, by abort().
void __gnu_cxx::__verbose_terminate_handler() {
  std::abort();
}

// Likewise the runtime's exception throwers of the standard library: each would build an
// exception object that nothing catches, and together they link in a second, reference-counted
// string implementation for the exception texts. The program ends by abort() where they would
// have ended it through terminate.
namespace std {
void __throw_bad_alloc() {
  std::abort();
}
void __throw_bad_array_new_length() {
  std::abort();
}
void __throw_length_error(const char*) {
  std::abort();
}
void __throw_logic_error(const char*) {
  std::abort();
}
void __throw_out_of_range(const char*) {
  std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
void __throw_invalid_argument(const char*) {
  std::abort();
}
void __throw_bad_function_call() {
  std::abort();
}
}  // namespace std
