/* Preloaded into wine by the Windows tests only, to let a pseudo-terminal pass
 * for a serial port:
 * - wine's serial event thread reads the port's modem lines; a pty has none and
 *   answers ENOTTY, which ends the thread and fails every receive-event wait.
 *   Here a pty answers the four modem-line requests as a port whose lines are low.
 * - a pty keeps only some of the line settings (no character size or parity
 *   enable), and glibc then reports EINVAL although the pty took what it can
 *   hold, which fails SetCommState for 7 data bits or a parity bit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>

static int is_pty(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
  unsigned int m = major(st.st_rdev);
  return (m >= 136 && m <= 143) || m == 5; /* Unix98 slaves, /dev/ptmx */
}

int ioctl(int fd, unsigned long request, ...) {
  static int (*real)(int, unsigned long, ...);
  va_list ap;
  va_start(ap, request);
  void* arg = va_arg(ap, void*);
  va_end(ap);
  if (!real) real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
  int r = real(fd, request, arg);
  if (r == 0 || errno != ENOTTY) return r;
  switch (request) {
    case TIOCMGET:
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCMSET:
      if (!is_pty(fd)) return r;
      if (request == TIOCMGET && arg) *(int*)arg = 0;
      errno = 0;
      return 0;
    default:
      return r;
  }
}

int tcsetattr(int fd, int when, const struct termios* t) {
  static int (*real)(int, int, const struct termios*);
  if (!real) real = (int (*)(int, int, const struct termios*))dlsym(RTLD_NEXT, "tcsetattr");
  int r = real(fd, when, t);
  if (r != 0 && errno == EINVAL && is_pty(fd)) {
    errno = 0;
    return 0;
  }
  return r;
}
