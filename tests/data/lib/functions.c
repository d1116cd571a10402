/* The code behind every test library. The .def files and the hand-built
 * export table choose which of these a library exports and under which
 * names; the bodies return distinct values so a test that calls an export
 * can tell which function it reached. Built without the C runtime, so the
 * libraries import nothing and stay a few kilobytes. */

#ifdef __i386__
#define VT_STDCALL __attribute__((stdcall))
#else
#define VT_STDCALL
#endif

/* Entry point: the libraries have nothing to set up. */
int VT_STDCALL DllEntry(void *module, unsigned reason, void *reserved)
{
    (void)module;
    (void)reason;
    (void)reserved;
    return 1;
}

int add_numbers(int a, int b) { return a + b; }
int subtract_numbers(int a, int b) { return a - b; }
int multiply_numbers(int a, int b) { return a * b; }
int negate_number(int a) { return -a; }
int get_answer(void) { return 42; }

/* Distinct results for the gap, alias, ordinal and ANSI-name libraries. */
int return_1(void) { return 1; }
int return_2(void) { return 2; }
int return_3(void) { return 3; }
int return_4(void) { return 4; }
int return_5(void) { return 5; }
int return_9(void) { return 9; }

/* Stand-ins for decorated exports: the names are what is tested, not the
 * calling conventions. */
int sum_three(int a, int b, int c) { return a + b + c; }
void do_nothing(void) {}

/* Targets of the 65,535 generated names of the large library. */
#define VT_BENCH(n) int bench_##n(void) { return 1000 + n; }
VT_BENCH(0) VT_BENCH(1) VT_BENCH(2) VT_BENCH(3) VT_BENCH(4) VT_BENCH(5) VT_BENCH(6) VT_BENCH(7)
VT_BENCH(8) VT_BENCH(9) VT_BENCH(10) VT_BENCH(11) VT_BENCH(12) VT_BENCH(13) VT_BENCH(14) VT_BENCH(15)
