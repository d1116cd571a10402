// C++ exports as MinGW's g++ names them (the Itanium scheme): members, a
// static member and a static data member, a constructor (two names), const
// members, overloads, a template instance, a function-pointer parameter, a
// 32-bit stdcall function (its name gets "@8" on x86) and one extern "C"
// name for contrast. Nothing here needs the C++ runtime.
#define EXPORT __declspec(dllexport)

#ifdef __i386__
#define VT_STDCALL __stdcall
#else
#define VT_STDCALL
#endif

namespace Vt {

class EXPORT Archive {
 public:
  Archive();
  int Open(const char* path);
  int Read(void* buffer, unsigned size) const;
  static int Count();
  static int instances;

 private:
  int value_;
};

Archive::Archive() : value_(0) {}
int Archive::Open(const char* path) { return path ? 1 : 0; }
int Archive::Read(void* buffer, unsigned size) const { return buffer ? static_cast<int>(size) : value_; }
int Archive::Count() { return 7; }
int Archive::instances = 0;

}  // namespace Vt

EXPORT int Sum(int a, int b, int c) { return a + b + c; }
EXPORT double Scale(double value, double factor) { return value * factor; }
EXPORT int Scale(int value) { return value * 2; }
EXPORT int Apply(int (*op)(int, int), int seed) { return op(seed, seed); }
EXPORT void Nothing() {}
EXPORT int VT_STDCALL StdSum(int a, int b) { return a + b; }

template <class T>
T Largest(T a, T b) { return a < b ? b : a; }
template EXPORT int Largest<int>(int, int);

extern "C" EXPORT int PlainC(int a) { return a; }
