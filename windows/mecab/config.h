/* config.h for building MeCab 0.996 with MinGW-w64 (x86-64) for Windows.
 *
 * MeCab's autotools would probe the build machine; this file states the
 * target's answers instead.  Threads are Win32's (_beginthreadex and the
 * Interlocked functions): HAVE_PTHREAD_H stays undefined although the POSIX
 * MinGW runtime has a <pthread.h>, so libmecab needs no libwinpthread of
 * its own and behaves as MeCab's own Windows builds do. */
#ifndef YOMIKA_MECAB_CONFIG_H
#define YOMIKA_MECAB_CONFIG_H

#define HAVE_WINDOWS_H 1
#define HAVE_GETENV 1
#define HAVE_CTYPE_H 1
#define HAVE_FCNTL_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_IO_H 1
#define HAVE_MEMORY_H 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_STRINGS_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_UNSIGNED_LONG_LONG_INT 1
#define STDC_HEADERS 1

/* Not on Windows (or not wanted): mmap, iconv, pthread, dirent, unistd. */
#undef HAVE_MMAP
#undef HAVE_ICONV
#undef HAVE_PTHREAD_H
#undef HAVE_LIBPTHREAD
#undef HAVE_GCC_ATOMIC_OPS
#undef HAVE_TLS_KEYWORD

#define SIZEOF_CHAR 1
#define SIZEOF_SHORT 2
#define SIZEOF_INT 4
#define SIZEOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF_SIZE_T 8

#define PACKAGE "mecab"
#define VERSION "0.996"
#define PACKAGE_NAME "mecab"
#define PACKAGE_VERSION "0.996"
#define PACKAGE_STRING "mecab 0.996"
#define PACKAGE_TARNAME "mecab"
#define DIC_VERSION 102

/* Used only when no rc file is given (-r), none is named by MECABRC and
 * none is found in the registry or beside the DLL (..\etc\mecabrc). */
#define MECAB_DEFAULT_RC "c:\\Program Files\\mecab\\etc\\mecabrc"

/* thread.h casts to unsigned(_stdcall *)(void *), MSVC's spelling. */
#ifndef _stdcall
#define _stdcall __stdcall
#endif

#endif
