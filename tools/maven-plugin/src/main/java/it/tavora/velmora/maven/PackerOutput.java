package it.tavora.velmora.maven;

/** How a line the packer prints reaches Maven's log. */
final class PackerOutput {
    enum Level { INFO, WARNING, ERROR }

    private PackerOutput() {}

    static Level levelOf(String line) {
        if (line.contains(": error: ")) return Level.ERROR;
        if (line.contains(": warning: ")) return Level.WARNING;
        return Level.INFO;
    }
}
