package it.tavora.util.system;

/**
 * Process and machine figures that the Java platform does not offer, read natively on
 * Windows by {@code Hostprobe.dll}.
 *
 * <p>The library is loaded with {@link System#loadLibrary(String)} when the class is first
 * used, so {@code Hostprobe.dll} must lie on {@code java.library.path}; a VM that cannot
 * find or load it raises {@link UnsatisfiedLinkError} there. The shipped library is 32-bit
 * and needs a 32-bit VM. Every method may be called from any thread; each reads the system
 * afresh and nothing is remembered between calls.
 */
public final class Hostprobe {

    static {
        System.loadLibrary("Hostprobe");
    }

    private Hostprobe() {
    }

    /** The id of this process. */
    public static native int getProcessID();

    /**
     * CPU time this process has used, kernel and user, in milliseconds per processor
     * (the total divided by the number of processors).
     */
    public static native long getProcessCPUTime();

    /**
     * Average CPU usage since this process started, as a share of all processors: 1.0 means
     * every processor was busy for the whole lifetime. 0.0 during the first millisecond.
     */
    public static native double getProcessCPUUsage();

    /** Percentage of physical memory in use, 0 to 100. */
    public static native long getMemoryLoad();

    /** Physical memory of the machine, in bytes. */
    public static native long getTotalPhysicalMemory();

    /** Physical memory available, in bytes. */
    public static native long getAvailablePhysicalMemory();

    /** Size of the committed memory limit (physical memory plus page files), in bytes. */
    public static native long getTotalPageFile();

    /** Memory that this process can still commit, in bytes. */
    public static native long getAvailablePageFile();

    /** Size of the user part of this process's virtual address space, in bytes. */
    public static native long getTotalVirtualMemory();

    /** Unreserved and uncommitted memory in this process's virtual address space, in bytes. */
    public static native long getAvailableVirtualMemory();

    /** Processor architecture as Windows reports it to this process (0 for x86, 9 for x86-64). */
    public static native int getProcessorArchitecture();

    /** Architecture-dependent processor level (for x86, the family). */
    public static native int getProcessorLevel();

    /** Architecture-dependent processor revision (for x86, model and stepping). */
    public static native int getProcessorRevision();

    /** Number of logical processors. */
    public static native int getNumberOfProcessors();

    /** Processor type code (for example 586 for a Pentium-class processor). */
    public static native long getProcessorType();
}
