/* Loads libtirnash with dlopen, as an installer does, and runs a script of calls given
 * on the command line, printing one "Name=result" line per call:
 *
 *   tirnash_client LIBRARY step...
 *     port                          Tirnashport()
 *     open KEY | open-null          OpenReg(KEY) | OpenReg(NULL)
 *     write NAME TEXT COUNT         WriteBinReg(NAME, TEXT, COUNT)
 *     write-null-text NAME COUNT    WriteBinReg(NAME, NULL, COUNT)
 *     write-null-name COUNT         WriteBinReg(NULL, "01 02", COUNT)
 *     close                         CloseReg()
 *     reload                        dlclose, then dlopen again
 *
 * Exit 0 when every step ran, 3 when the library or a name cannot be loaded, 4 on a bad
 * script. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Not linked against: included so that the header is compiled as C, as callers use it. */
#include "portfinder/tirnash.h"

typedef int (*PortFn)(void);
typedef int (*OpenFn)(const char*);
typedef int (*WriteFn)(const char*, const char*, unsigned int);
typedef int (*CloseFn)(void);

struct Library {
  void* handle;
  PortFn port;
  OpenFn open;
  WriteFn write;
  CloseFn close;
};

static int Load(const char* path, struct Library* lib) {
  lib->handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (lib->handle == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
    return 0;
  }
  /* POSIX sanctions converting dlsym's result to a function pointer through a union. */
  union { void* object; PortFn port; OpenFn open; WriteFn write; CloseFn close; } sym;
  sym.object = dlsym(lib->handle, "Tirnashport");
  lib->port = sym.port;
  sym.object = dlsym(lib->handle, "OpenReg");
  lib->open = sym.open;
  sym.object = dlsym(lib->handle, "WriteBinReg");
  lib->write = sym.write;
  sym.object = dlsym(lib->handle, "CloseReg");
  lib->close = sym.close;
  if (!lib->port || !lib->open || !lib->write || !lib->close) {
    fprintf(stderr, "dlsym: an export is missing\n");
    return 0;
  }
  return 1;
}

static int Count(const char* text, unsigned int* count) {
  char* end = NULL;
  unsigned long value = strtoul(text, &end, 10);
  if (end == text || *end != '\0' || value > 0xffffffffUL) return 0;
  *count = (unsigned int)value;
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 2) return 4;
  struct Library lib;
  if (!Load(argv[1], &lib)) return 3;

  for (int i = 2; i < argc; ++i) {
    const char* step = argv[i];
    unsigned int count = 0;
    if (strcmp(step, "port") == 0) {
      printf("Tirnashport=%d\n", lib.port());
    } else if (strcmp(step, "open") == 0 && i + 1 < argc) {
      printf("OpenReg=%d\n", lib.open(argv[++i]));
    } else if (strcmp(step, "open-null") == 0) {
      printf("OpenReg=%d\n", lib.open(NULL));
    } else if (strcmp(step, "write") == 0 && i + 3 < argc && Count(argv[i + 3], &count)) {
      printf("WriteBinReg=%d\n", lib.write(argv[i + 1], argv[i + 2], count));
      i += 3;
    } else if (strcmp(step, "write-null-text") == 0 && i + 2 < argc && Count(argv[i + 2], &count)) {
      printf("WriteBinReg=%d\n", lib.write(argv[i + 1], NULL, count));
      i += 2;
    } else if (strcmp(step, "write-null-name") == 0 && i + 1 < argc && Count(argv[i + 1], &count)) {
      printf("WriteBinReg=%d\n", lib.write(NULL, "01 02", count));
      i += 1;
    } else if (strcmp(step, "close") == 0) {
      printf("CloseReg=%d\n", lib.close());
    } else if (strcmp(step, "reload") == 0) {
      if (dlclose(lib.handle) != 0 || !Load(argv[1], &lib)) return 3;
      printf("reload=1\n");
    } else {
      fprintf(stderr, "bad step '%s'\n", step);
      return 4;
    }
    fflush(stdout);
  }
  return dlclose(lib.handle) == 0 ? 0 : 3;
}
