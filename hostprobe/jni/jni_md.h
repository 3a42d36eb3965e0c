/* Machine-dependent part of jni.h for Windows, x86 and x86-64 alike. Debian's JDK ships
   only the Linux one, whose jint and calling convention are wrong for a Windows VM. */
#ifndef VELMORA_JNI_MD_H
#define VELMORA_JNI_MD_H
#ifndef JNIEXPORT
#define JNIEXPORT __declspec(dllexport)
#endif
#define JNIIMPORT __declspec(dllimport)
/* Windows VMs call natives with __stdcall; on x86-64 the keyword is ignored. */
#define JNICALL __stdcall

/* long is 32 bits on Windows in both architectures; Windows VMs declare jint this way. */
typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
