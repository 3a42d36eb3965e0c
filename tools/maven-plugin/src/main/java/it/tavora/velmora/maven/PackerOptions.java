package it.tavora.velmora.maven;

import java.io.File;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collection;
import java.util.List;
import java.util.function.Function;

/** The goal's parameters that become ruvo-pack options: one row per option. */
final class PackerOptions {
    enum Kind {
        /** A value after the option; nothing when unset. */
        VALUE,
        /** The option alone when true. */
        FLAG,
        /** True gives the option, false its opposite, unset neither. */
        SWITCH,
        /** The option once per item; each item stays one word however many spaces it holds. */
        LIST,
        /** The option once per item, the item as it is: the packer takes the value whole. */
        REPEATED
    }

    static final class Row {
        final String parameter;
        final String option;
        final Kind kind;
        final String opposite;

        Row(String parameter, String option, Kind kind, String opposite) {
            this.parameter = parameter;
            this.option = option;
            this.kind = kind;
            this.opposite = opposite;
        }
    }

    private static Row value(String parameter, String option) { return new Row(parameter, option, Kind.VALUE, null); }
    private static Row flag(String parameter, String option) { return new Row(parameter, option, Kind.FLAG, null); }
    private static Row list(String parameter, String option) { return new Row(parameter, option, Kind.LIST, null); }
    private static Row repeated(String parameter, String option) { return new Row(parameter, option, Kind.REPEATED, null); }
    private static Row either(String parameter, String on, String off) { return new Row(parameter, on, Kind.SWITCH, off); }

    // A new application-mode option of ruvo-pack is one row here and a field of the same name
    // in InstallerMojo. --input and --main-jar are the plugin's own.
    static final List<Row> ROWS = Arrays.asList(
            value("name", "--name"),
            value("appVersion", "--app-version"),
            value("vendor", "--vendor"),
            value("copyright", "--copyright"),
            value("description", "--description"),
            value("icon", "--icon"),
            value("mainClass", "--main-class"),
            list("javaOptions", "--java-options"),
            list("arguments", "--arguments"),
            value("runtimeImage", "--runtime-image"),
            value("javaVersion", "--java-version"),
            either("console", "--console", "--no-console"),
            value("type", "--type"),
            value("appId", "--app-id"),
            value("scope", "--scope"),
            flag("desktopShortcut", "--desktop-shortcut"),
            flag("noStartMenu", "--no-start-menu"),
            flag("noLaunch", "--no-launch"),
            repeated("fileAssociations", "--file-association"),
            either("userOptions", "--user-options", "--no-user-options"),
            value("maxHeapPercent", "--max-heap-percent"),
            value("splash", "--splash"),
            value("javaDownloadPage", "--java-download-page"),
            flag("attachConsole", "--attach-console"),
            value("keepPayload", "--keep-payload"),
            value("stub", "--stub"),
            value("launcherDir", "--launcher-dir"),
            value("level", "--level"),
            value("out", "--out"));

    private PackerOptions() {}

    /** The options for the values the parameters hold (null: not given), in the table's order. */
    static List<String> commandLine(Function<String, Object> valueOf) {
        List<String> line = new ArrayList<>();
        for (Row row : ROWS) {
            Object v = valueOf.apply(row.parameter);
            if (v == null) continue;
            switch (row.kind) {
                case VALUE:
                    String text = v instanceof File ? ((File) v).getAbsolutePath() : v.toString();
                    if (text.isEmpty()) break;
                    line.add(row.option);
                    line.add(text);
                    break;
                case FLAG:
                    if ((Boolean) v) line.add(row.option);
                    break;
                case SWITCH:
                    line.add((Boolean) v ? row.option : row.opposite);
                    break;
                case LIST:
                case REPEATED:
                    for (Object item : (Collection<?>) v) {
                        line.add(row.option);
                        line.add(row.kind == Kind.LIST ? oneWord(item.toString()) : item.toString());
                    }
                    break;
            }
        }
        return line;
    }

    /**
     * The text quoted so the packer's splitter (spaces separate, a pair of " or ' keeps what is
     * between) reads it back as exactly one word.
     */
    static String oneWord(String text) {
        StringBuilder out = new StringBuilder();
        int start = 0;
        while (true) {
            int quote = text.indexOf('"', start);
            String run = text.substring(start, quote < 0 ? text.length() : quote);
            if (!run.isEmpty() || out.length() == 0) out.append('"').append(run).append('"');
            if (quote < 0) return out.toString();
            out.append("'\"'");
            start = quote + 1;
        }
    }
}
