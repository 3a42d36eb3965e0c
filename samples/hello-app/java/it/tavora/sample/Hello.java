package it.tavora.sample;

import java.io.BufferedReader;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.lang.management.ManagementFactory;
import java.nio.charset.StandardCharsets;
import java.util.List;
import java.util.Properties;

/**
 * A sample application for the Velmora start-up kit. It reports what an installer cares
 * about: how it was started, and what the launcher handed it in its two properties files.
 *
 * The launcher passes the application's .kiv file and the run's scratch properties file as
 * the first two arguments, and the user's own arguments follow; with plain arguments it names
 * the two files in the system properties kiv.file and kiv.runtime.file, and every argument is
 * the user's. "--exit=N" sets the exit code.
 */
public final class Hello {
    private Hello() {}

    private static void say(String line) {
        System.out.println(line);
    }

    public static void main(String[] args) throws IOException {
        say("hello: a real Java program, started through the Velmora launcher");
        say("hello: java.version=" + System.getProperty("java.version"));
        List<String> vmArguments = ManagementFactory.getRuntimeMXBean().getInputArguments();
        for (String option : vmArguments) say("hello: vm.option=" + option);
        say("hello: main.class=" + Hello.class.getName());
        for (int i = 0; i < args.length; i++) say("hello: argument." + i + "=" + args[i]);

        int exitCode = 0;
        // Plain arguments: the files come as system properties and every argument is the user's.
        String kivFile = System.getProperty("kiv.file");
        if (kivFile != null) {
            say("hello: kiv.file=" + kivFile);
            exitCode = report(kivFile, System.getProperty("kiv.runtime.file"), args, 0);
        } else if (args.length >= 2) {
            exitCode = report(args[0], args[1], args, 2);
        } else {
            say("hello: started without the launcher's properties files");
        }
        say("hello: exit.code=" + exitCode);
        System.exit(exitCode);
    }

    // What the launcher handed over in its two files; the exit code from "--exit=N" among the
    // user's arguments, which begin at `firstOwn`.
    private static int report(String kivPath, String runtimePath, String[] args, int firstOwn) throws IOException {
        Properties kiv = load(kivPath);
        Properties runtime = load(runtimePath);
        say("hello: kiv.application.name=" + kiv.getProperty("kiv.application.name"));
        say("hello: kiv.nl.current.vm=" + runtime.getProperty("kiv.nl.current.vm"));
        say("hello: runtime.raw=" + rawLine(runtimePath, "kiv.nl.current.vm="));
        long environmentKeys = runtime.stringPropertyNames().stream()
                .filter(k -> k.startsWith("kiv.nl.env.exact_case.")).count();
        say("hello: environment.variables=" + environmentKeys);
        int exitCode = 0;
        for (int i = firstOwn; i < args.length; i++)
            if (args[i].startsWith("--exit=")) exitCode = Integer.parseInt(args[i].substring(7));
        return exitCode;
    }

    private static Properties load(String path) throws IOException {
        Properties properties = new Properties();
        try (FileInputStream in = new FileInputStream(path)) {
            properties.load(in);
        }
        return properties;
    }

    // The line as the launcher wrote it, before the properties reader decodes its escapes.
    private static String rawLine(String path, String prefix) throws IOException {
        String found = null;
        try (BufferedReader reader = new BufferedReader(
                new InputStreamReader(new FileInputStream(path), StandardCharsets.ISO_8859_1))) {
            for (String line; (line = reader.readLine()) != null;)
                if (line.startsWith(prefix)) found = line;
        }
        return found;
    }
}
