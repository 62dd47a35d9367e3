/* The C runtime of consumer.c when clang builds it for the MSVC ABI
 * (x86_64-pc-windows-msvc) without Microsoft's headers and libraries: its
 * <stdio.h>, <stdlib.h> and <string.h> include this file, which declares
 * what it calls as msvcrt.dll exports it, and gives the program its entry.
 * The program links with codehdr.lib and an import library of msvcrt.dll
 * made from the names it leaves undefined (scripts/test_windows.sh). */
#ifndef CONSUMER_MSVCRT_H
#define CONSUMER_MSVCRT_H

#include <stddef.h>

#define CRT __declspec(dllimport)
typedef struct _iobuf {
  char* ptr;
  int count;
  char* base;
  int flags, file, charbuf, bufsize;
  char* name;
} FILE;
CRT FILE* __iob_func(void);
#define stderr (&__iob_func()[2])
CRT FILE* fopen(const char* path, const char* mode);
CRT int fclose(FILE* file);
CRT size_t fread(void* buffer, size_t size, size_t count, FILE* file);
CRT int fputs(const char* text, FILE* file);
CRT int fprintf(FILE* file, const char* format, ...);
CRT int printf(const char* format, ...);
CRT int sprintf(char* buffer, const char* format, ...);
CRT void* malloc(size_t size);
CRT void free(void* block);
CRT size_t strlen(const char* text);
CRT int strcmp(const char* a, const char* b);
CRT int strncmp(const char* a, const char* b, size_t count);
CRT void exit(int status);
CRT int __getmainargs(int* argc, char*** argv, char*** environment, int wildcards, int* start_info);

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
