/* Answers whether this machine runs 32-bit x86 code: exit 0 when a far call into the
   32-bit user code segment returns, 1 when it faults (the kernel's 32-bit emulation
   is off). */
#include <signal.h>
#include <stdint.h>
#include <unistd.h>
#include <string.h>
#include <sys/mman.h>

uint64_t kv_saved_rsp;
struct { uint32_t off; uint16_t sel; } __attribute__((packed)) kv_target = {0x100000, 0x23};

static void on_fault(int sig) { (void)sig; _exit(1); }

int main(void) {
  signal(SIGSEGV, on_fault);
  signal(SIGBUS, on_fault);
  unsigned char *p = mmap((void *)0x100000, 65536, PROT_READ | PROT_WRITE | PROT_EXEC,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
  if (p == MAP_FAILED) return 2;
  static const unsigned char code32[] = {0xB8, 42, 0, 0, 0, 0xCB}; /* mov eax,42; retf */
  memcpy(p, code32, sizeof code32);
  uint32_t r;
  __asm__ volatile(
      "mov %%rsp, kv_saved_rsp(%%rip)\n"
      "mov $0x10f000, %%rsp\n"
      "lcall *kv_target(%%rip)\n"
      "mov kv_saved_rsp(%%rip), %%rsp\n"
      : "=a"(r) : : "memory");
  return r == 42 ? 0 : 1;
}
