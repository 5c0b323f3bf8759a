/* borgo_write_floor FOLDER STEP...: the floor of a run as the least process
 * able to do its file work, so that it pays only the start any program pays.
 * A STEP is "write:NAME:SIZE" (SIZE bytes in 64 KiB writes from one small
 * buffer) or "read-delete:NAME" (read back in 64 KiB reads, then deleted).
 * Plain C: a C++ runtime loaded and set up would be a cost of its own. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char buffer[64 * 1024];

static int write_file(int folder, const char* name, unsigned long long size) {
  const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  while (size > 0) {
    const size_t n = size < sizeof buffer ? (size_t)size : sizeof buffer;
    if (write(fd, buffer, n) != (ssize_t)n) {
      close(fd);
      return 0;
    }
    size -= n;
  }
  return close(fd) == 0;
}

static int read_and_delete(int folder, const char* name) {
  const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  ssize_t got = 0;
  while ((got = read(fd, buffer, sizeof buffer)) > 0) {
  }
  close(fd);
  return got == 0 && unlinkat(folder, name, 0) == 0;
}

/* "write:NAME:SIZE": NAME may hold colons, the size is after the last. */
static int run_step(int folder, char* step) {
  if (strncmp(step, "write:", 6) == 0) {
    char* colon = strrchr(step, ':');
    if (colon == step + 5) return -1;
    char* end = NULL;
    errno = 0;
    const unsigned long long size = strtoull(colon + 1, &end, 10);
    if (errno != 0 || end == colon + 1 || *end != '\0') return -1;
    *colon = '\0';
    return write_file(folder, step + 6, size);
  }
  if (strncmp(step, "read-delete:", 12) == 0) return read_and_delete(folder, step + 12);
  return -1;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fputs("usage: borgo_write_floor FOLDER write:NAME:SIZE|read-delete:NAME...\n", stderr);
    return 2;
  }
  memset(buffer, 'x', sizeof buffer); /* in memory before the first write */
  const int folder = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    fprintf(stderr, "borgo_write_floor: cannot open %s\n", argv[1]);
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    const int done = run_step(folder, argv[i]);
    if (done < 0) {
      fprintf(stderr, "borgo_write_floor: unknown step '%s'\n", argv[i]);
      return 2;
    }
    if (done == 0) {
      fprintf(stderr, "borgo_write_floor: %s failed\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
