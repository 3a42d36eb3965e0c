package it.tavora.velmora.maven;

import static org.junit.Assert.assertEquals;
import static org.junit.Assert.assertNull;
import static org.junit.Assert.assertTrue;
import static org.junit.Assert.fail;

import java.io.File;
import java.lang.reflect.Field;
import java.lang.reflect.Modifier;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeSet;
import java.util.function.Supplier;

import org.junit.Test;

public class MappingTest {
    private static void expectFailure(String what, Supplier<?> call, String fragment) {
        try {
            Object result = call.get();
            fail(what + ": expected a failure, got " + result);
        } catch (IllegalArgumentException | IllegalStateException e) {
            assertTrue(what + ": " + e.getMessage(), e.getMessage().contains(fragment));
        }
    }

    @Test
    public void mavenVersionsBecomeOneToFourNumbers() {
        String[][] cases = {
            {"1.2.3", "1.2.3"},
            {"1.2.3-SNAPSHOT", "1.2.3"},
            {"2.0", "2.0"},
            {"7", "7"},
            {"1.0-beta-2", "1.0"},
            {"1.0.0-RC1", "1.0.0"},
            {"5.4.0.Final", "5.4.0"},
            {"3.4.5.6.7", "3.4.5.6"},
            {"1.2.3-4", "1.2.3.4"},      // Maven's build number
            {"1-2", "1.0.0.2"},
            {"1.2.3.4-5", "1.2.3.4"},    // no room for the build number
            {"1.2.3-4-SNAPSHOT", "1.2.3"},
            {"01.002.3", "1.2.3"},
            {"2024.10.1", "2024.10.1"},
            {"65535.0", "65535.0"},
            {"1.2.", "1.2"},
        };
        for (String[] c : cases) assertEquals(c[0], c[1], WindowsVersion.of(c[0]));
        assertNull(WindowsVersion.of("main-SNAPSHOT"));
        assertNull(WindowsVersion.of("v1.2"));
        expectFailure("20241015", () -> WindowsVersion.of("20241015"), "at most 65535): set appVersion");
        expectFailure("1.65536", () -> WindowsVersion.of("1.65536"), "at most 65535");
        expectFailure("build number", () -> WindowsVersion.of("1.0-70000"), "at most 65535");
    }

    @Test
    public void outputTimestampsBecomeSourceDateEpoch() {
        assertNull(BuildTimestamp.epochSeconds(null));
        assertNull(BuildTimestamp.epochSeconds(""));
        assertNull(BuildTimestamp.epochSeconds("-"));  // one character: unset, as Maven reads it
        assertEquals(Long.valueOf(1704067200L), BuildTimestamp.epochSeconds("2024-01-01T00:00:00Z"));
        assertEquals(Long.valueOf(1704067200L), BuildTimestamp.epochSeconds("2024-01-01T01:00:00+01:00"));
        assertEquals(Long.valueOf(1700000000L), BuildTimestamp.epochSeconds("1700000000"));
        expectFailure("a date without time", () -> BuildTimestamp.epochSeconds("2024-01-01"), "ISO 8601");
        expectFailure("before ZIP times", () -> BuildTimestamp.epochSeconds("10"), "outside 1980");
    }

    @Test
    public void parametersBecomePackerOptions() {
        Map<String, Object> v = new HashMap<>();
        v.put("name", "Hello App");
        v.put("vendor", "");                      // empty: left out
        v.put("icon", new File("app.ico"));
        v.put("javaOptions", Arrays.asList("-Xmx1g", "-Dtitle=My App", "-Dq=say \"hi\""));
        v.put("console", Boolean.FALSE);
        v.put("level", 9);
        List<String> line = PackerOptions.commandLine(v::get);
        assertEquals(Arrays.asList("--name", "Hello App", "--icon", new File("app.ico").getAbsolutePath(),
                                   "--java-options", "\"-Xmx1g\"", "--java-options", "\"-Dtitle=My App\"",
                                   "--java-options", "\"-Dq=say \"'\"'\"hi\"'\"'",
                                   "--no-console", "--level", "9"), line);
        v.clear();
        v.put("console", Boolean.TRUE);
        v.put("arguments", Arrays.asList("", "\""));
        assertEquals(Arrays.asList("--arguments", "\"\"", "--arguments", "\"\"'\"'", "--console"),
                     PackerOptions.commandLine(v::get));
    }

    @Test
    public void installOptionsBecomePackerOptions() {
        Object[][] cases = {
            // parameter, value, what the packer gets
            {"desktopShortcut", true, Arrays.asList("--desktop-shortcut")},
            {"desktopShortcut", false, Arrays.asList()},
            {"userOptions", false, Arrays.asList("--no-user-options")},
            {"userOptions", true, Arrays.asList("--user-options")},
            {"maxHeapPercent", 50, Arrays.asList("--max-heap-percent", "50")},
            {"attachConsole", true, Arrays.asList("--attach-console")},
            {"attachConsole", false, Arrays.asList()},
            {"splash", new File("splash.png"), Arrays.asList("--splash", new File("splash.png").getAbsolutePath())},
            // The packer takes an association whole: no quotes around a description with spaces.
            {"fileAssociations", Arrays.asList(".vel=Velmora document", "txt"),
             Arrays.asList("--file-association", ".vel=Velmora document", "--file-association", "txt")},
        };
        for (Object[] c : cases) {
            Map<String, Object> v = new HashMap<>();
            v.put((String) c[0], c[1]);
            assertEquals(c[0] + "=" + c[1], c[2], PackerOptions.commandLine(v::get));
        }
    }

    @Test
    public void everyPackerOptionIsAParameterAndEveryParameterIsMapped() {
        Set<String> fields = new TreeSet<>();
        for (Field f : InstallerMojo.class.getDeclaredFields())
            if (!Modifier.isStatic(f.getModifiers())) fields.add(f.getName());
        Set<String> options = new TreeSet<>();
        for (PackerOptions.Row row : PackerOptions.ROWS) {
            assertTrue("no parameter for " + row.parameter, fields.remove(row.parameter));
            assertTrue("two rows give " + row.option, options.add(row.option));
            // The parameter is the option's name in camelCase.
            String camel = row.option.substring(2).replaceAll("-([a-z])", "$1");
            // A repeatable option's list parameter takes the plural.
            if (row.kind == PackerOptions.Kind.REPEATED) camel += "s";
            assertTrue(row.parameter + " for " + row.option, camel.equalsIgnoreCase(row.parameter));
        }
        fields.removeAll(InstallerMojo.OWN_FIELDS);
        assertEquals("parameters the packer never gets", new TreeSet<String>(), fields);
    }

    @Test
    public void thePlatformPicksThePacker() {
        assertEquals("ruvo-pack", ShippedTools.packerFor("Linux", "amd64"));
        assertEquals("ruvo-pack.exe", ShippedTools.packerFor("Windows 11", "amd64"));
        assertEquals("ruvo-pack.exe", ShippedTools.packerFor("Windows Server 2022", "x86_64"));
        for (String[] other : new String[][] {{"Mac OS X", "aarch64"}, {"Linux", "aarch64"}, {"Windows 10", "x86"}})
            expectFailure(other[0], () -> ShippedTools.packerFor(other[0], other[1]),
                          "runs on Linux x86-64 and Windows x64, not on " + other[0] + " " + other[1]);
    }

    // One argument as the Windows runtime reads it from the command line.
    private static String asWindowsReadsIt(String quoted) {
        StringBuilder out = new StringBuilder();
        boolean inQuotes = false;
        for (int i = 0; i < quoted.length(); i++) {
            int backslashes = 0;
            while (i < quoted.length() && quoted.charAt(i) == '\\') { backslashes++; i++; }
            if (i < quoted.length() && quoted.charAt(i) == '"') {
                out.append("\\".repeat(backslashes / 2));
                if (backslashes % 2 == 1) out.append('"');
                else inQuotes = !inQuotes;
            } else {
                out.append("\\".repeat(backslashes));
                if (i < quoted.length()) out.append(quoted.charAt(i));
            }
        }
        assertTrue("unbalanced: " + quoted, !inQuotes);
        return out.toString();
    }

    @Test
    public void argumentsWithQuotesReachAWindowsPackerWhole() {
        assertEquals("-Xmx1g", WindowsArgument.of("-Xmx1g"));
        assertEquals("C:\\My Folder\\app.ico", WindowsArgument.of("C:\\My Folder\\app.ico"));  // Java quotes it
        String[] quoted = {"\"-Dtitle=My App\"", "a\\\"b", "\"x\\\\\"", "\"\"'\"'", "say \"hi\\\""};
        for (String text : quoted) {
            String line = WindowsArgument.of(PackerOptions.oneWord(text));
            assertTrue(line, line.startsWith("\"") && line.endsWith("\"") && !line.endsWith("\\\""));
            assertEquals(text, PackerOptions.oneWord(text), asWindowsReadsIt(line));
        }
    }

    @Test
    public void packerLinesReachTheLogAtTheirLevel() {
        assertEquals(PackerOutput.Level.WARNING, PackerOutput.levelOf("ruvo-pack: warning: a.txt is empty"));
        assertEquals(PackerOutput.Level.WARNING, PackerOutput.levelOf("Windows_Pure_64_Bit/App.kiv:3: warning: unknown key"));
        assertEquals(PackerOutput.Level.ERROR, PackerOutput.levelOf("Windows_Pure_64_Bit/App.kiv:3: error: bad value"));
        assertEquals(PackerOutput.Level.INFO, PackerOutput.levelOf("ruvo-pack: packing 50%"));
    }
}
