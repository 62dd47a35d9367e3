/* The C runtime of consumer.c when clang builds it for the MSVC ABI
 * (x86_64- or i386-pc-windows-msvc) without Microsoft's headers and libraries: its
 * <stdio.h>, <stdlib.h> and <string.h> include this file, which declares
 * what it calls as msvcrt.dll exports it, and gives the program its entry.
 * The program links with codehdr.lib and an import library of msvcrt.dll
 * made from the names it leaves undefined (scripts/test_windows.sh). */
#ifndef CONSUMER_MSVCRT_H
#define CONSUMER_MSVCRT_H

#include <stddef.h>

#define CRT __declspec(dllimport)
CRT int printf(const char* format, ...), sprintf(char* buffer, const char* format, ...),
    strcmp(const char* a, const char* b),
    __getmainargs(int* argc, char*** argv, char*** environment, int wildcards, int* start_info);
CRT size_t strlen(const char* text);
CRT void *malloc(size_t size), free(void* block), exit(int status);

int main(int argc, char** argv);

/* The console program's entry: the arguments from the runtime, then main. */
void mainCRTStartup(void) {
  int argc, start_info = 0;
  char** argv;
  char** environment;
  __getmainargs(&argc, &argv, &environment, 0, &start_info);
  exit(main(argc, argv));
}

#endif /* CONSUMER_MSVCRT_H */
