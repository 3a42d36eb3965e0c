package it.tavora.velmora.maven;

/**
 * An argument for a Windows program started by Java. Java passes an argument holding a quote
 * unchanged into the command line, where the program's runtime would take the quote as
 * syntax; such an argument is therefore written as the runtime reads it back: in quotes, with
 * each quote and the backslashes before it escaped.
 */
final class WindowsArgument {
    private WindowsArgument() {}

    static String of(String argument) {
        if (argument.indexOf('"') < 0) return argument;  // Java quotes spaces itself
        StringBuilder out = new StringBuilder("\"");
        int backslashes = 0;
        for (char c : argument.toCharArray()) {
            if (c == '\\') {
                backslashes++;
                continue;
            }
            out.append("\\".repeat(c == '"' ? 2 * backslashes + 1 : backslashes)).append(c);
            backslashes = 0;
        }
        return out.append("\\".repeat(2 * backslashes)).append('"').toString();
    }
}
