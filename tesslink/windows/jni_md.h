/*
 * The machine-dependent part of jni.h for the Windows builds of tesslink.dll:
 * the JNI types and calling convention of a Windows JVM (JNICALL is __stdcall,
 * which 64-bit Windows ignores). JNIEXPORT adds nothing: the DLL exports the
 * natives from the export table of its .def file, not by dllexport.
 */
#ifndef TESSLINK_WINDOWS_JNI_MD_H
#define TESSLINK_WINDOWS_JNI_MD_H

#define JNIEXPORT
#define JNIIMPORT
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* TESSLINK_WINDOWS_JNI_MD_H */
