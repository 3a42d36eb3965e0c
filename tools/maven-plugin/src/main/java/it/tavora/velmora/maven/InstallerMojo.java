package it.tavora.velmora.maven;

import java.io.BufferedReader;
import java.io.File;
import java.io.IOException;
import java.io.InputStreamReader;
import java.lang.reflect.Field;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugins.annotations.Component;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;
import org.apache.maven.project.MavenProjectHelper;

/**
 * Packs the project's jar and its runtime dependencies, as Maven resolved them, into a Windows
 * installer with ruvo-pack's application mode, and attaches it to the build.
 */
@Mojo(name = "installer", defaultPhase = LifecyclePhase.PACKAGE, requiresDependencyResolution = ResolutionScope.RUNTIME,
      threadSafe = true)
public class InstallerMojo extends AbstractMojo {
    // The packer's options: each field named in PackerOptions.ROWS.

    /** The application's name: names the launcher and the .kiv file, brands the installer. */
    @Parameter(property = "ruvo.name", defaultValue = "${project.name}")
    String name;
    /** FileVersion and ProductVersion; default: the project's version mapped onto 1 to 4 numbers. */
    @Parameter(property = "ruvo.appVersion")
    String appVersion;
    /** CompanyName; default: the project's organization. */
    @Parameter(property = "ruvo.vendor")
    String vendor;
    @Parameter(property = "ruvo.copyright")
    String copyright;
    @Parameter(property = "ruvo.description")
    String description;
    /** An .ico, or a square PNG of at most 256 pixels. */
    @Parameter(property = "ruvo.icon")
    File icon;
    /** Default: Main-Class of the jar's manifest. */
    @Parameter(property = "ruvo.mainClass")
    String mainClass;
    /** VM options, one per element. */
    @Parameter
    List<String> javaOptions;
    /** Arguments before the user's, one per element. */
    @Parameter
    List<String> arguments;
    /** A Java runtime to ship (holding bin/java.exe or bin/javaw.exe). */
    @Parameter(property = "ruvo.runtimeImage")
    File runtimeImage;
    /** Else an installed VM: 17+ (17 or later), 17 (any 17.x), 11.0.2 (exactly). */
    @Parameter(property = "ruvo.javaVersion")
    String javaVersion;
    /** true: the console launcher; false: the windowed one; unset: the packer's default. */
    @Parameter(property = "ruvo.console")
    Boolean console;
    /** install (the packer's default): installs through the setup engine; run: unpacks and runs. */
    @Parameter(property = "ruvo.type")
    String type;
    /** The identity kept across versions; default: VENDOR.NAME without other characters. */
    @Parameter(property = "ruvo.appId")
    String appId;
    /** user (the packer's default) or machine. */
    @Parameter(property = "ruvo.scope")
    String scope;
    @Parameter(property = "ruvo.desktopShortcut", defaultValue = "false")
    boolean desktopShortcut;
    @Parameter(property = "ruvo.noStartMenu", defaultValue = "false")
    boolean noStartMenu;
    @Parameter(property = "ruvo.noLaunch", defaultValue = "false")
    boolean noLaunch;
    /** EXT or EXT=DESCRIPTION, one per element: the installed application opens files of that type. */
    @Parameter
    List<String> fileAssociations;
    /** true: read the user's VM options file; false: none; unset: the packer's default (true). */
    @Parameter(property = "ruvo.userOptions")
    Boolean userOptions;
    /** Maximum heap as a share of the machine's memory, 1 to 90. */
    @Parameter(property = "ruvo.maxHeapPercent")
    Integer maxHeapPercent;
    /** A PNG, GIF or JPEG shown while the VM starts; IMAGE@2x.EXT beside it ships too. */
    @Parameter(property = "ruvo.splash")
    File splash;
    /** Where users get the Java that javaVersion asks for. */
    @Parameter(property = "ruvo.javaDownloadPage")
    String javaDownloadPage;
    /** With console false: started from a console, the program's output and errors appear there. */
    @Parameter(property = "ruvo.attachConsole", defaultValue = "false")
    boolean attachConsole;
    @Parameter(property = "ruvo.keepPayload")
    File keepPayload;
    /** The self-extractor; default: the one the plugin carries. */
    @Parameter(property = "ruvo.stub")
    File stub;
    /** Where quillrun.exe and quillrunw.exe are; default: those the plugin carries. */
    @Parameter(property = "ruvo.launcherDir")
    File launcherDir;
    /** Deflate level, 0 to 9. */
    @Parameter(property = "ruvo.level")
    Integer level;
    @Parameter(property = "ruvo.out", defaultValue = "${project.build.directory}/${project.build.finalName}-setup.exe")
    File out;

    // The plugin's own.

    @Parameter(property = "ruvo.skip", defaultValue = "false")
    boolean skip;
    /** The classifier the installer is attached with. */
    @Parameter(property = "ruvo.classifier", defaultValue = "setup")
    String classifier;
    /** Where the carried programs are unpacked, once per plugin version. */
    @Parameter(property = "ruvo.toolCache", defaultValue = "${settings.localRepository}/.cache/ruvo-maven-plugin")
    File toolCache;
    @Parameter(defaultValue = "${project.build.outputTimestamp}", readonly = true)
    String outputTimestamp;
    @Parameter(defaultValue = "${project.build.directory}/ruvo-input", readonly = true)
    File inputFolder;
    @Parameter(defaultValue = "${project}", readonly = true, required = true)
    MavenProject project;
    @Component
    MavenProjectHelper projectHelper;

    static final Set<String> OWN_FIELDS = Set.of("skip", "classifier", "toolCache", "outputTimestamp", "inputFolder",
                                                 "project", "projectHelper");

    @Override
    public void execute() throws MojoExecutionException, MojoFailureException {
        if (skip) {
            getLog().info("Skipping the installer (ruvo.skip)");
            return;
        }
        try {
            String packer = ShippedTools.packerFor(System.getProperty("os.name"), System.getProperty("os.arch"));
            Long epoch = BuildTimestamp.epochSeconds(outputTimestamp);
            String mainJar = stageInput();
            Path tools = ShippedTools.unpacked(toolCache.toPath());

            List<String> command = new ArrayList<>();
            command.add(ShippedTools.file(tools, packer).getAbsolutePath());
            command.add("--input");
            command.add(inputFolder.getAbsolutePath());
            command.add("--main-jar");
            command.add(mainJar);
            Map<String, Object> values = parameterValues();
            for (String argument : PackerOptions.commandLine(values::get))
                command.add(packer.endsWith(".exe") ? WindowsArgument.of(argument) : argument);
            Files.createDirectories(out.getAbsoluteFile().toPath().getParent());
            Files.deleteIfExists(out.toPath());
            run(command, epoch);
            projectHelper.attachArtifact(project, "exe", classifier, out);
        } catch (IllegalArgumentException | IllegalStateException e) {
            throw new MojoFailureException(e.getMessage());
        } catch (IOException e) {
            throw new MojoExecutionException("cannot make the installer: " + e.getMessage(), e);
        }
    }

    /** The table's parameters as configured, with the defaults only the project can give. */
    Map<String, Object> parameterValues() {
        Map<String, Object> values = new HashMap<>();
        for (PackerOptions.Row row : PackerOptions.ROWS) {
            try {
                Field field = InstallerMojo.class.getDeclaredField(row.parameter);
                values.put(row.parameter, field.get(this));
            } catch (NoSuchFieldException | IllegalAccessException e) {
                throw new IllegalStateException("no parameter " + row.parameter, e);
            }
        }
        if (appVersion == null) {
            String mapped = WindowsVersion.of(project.getVersion());
            if (mapped == null)
                getLog().warn("The project's version " + project.getVersion()
                              + " starts with no number: the installer keeps the kit's version; set appVersion");
            values.put("appVersion", mapped);
        }
        if (vendor == null && project.getOrganization() != null) values.put("vendor", project.getOrganization().getName());
        return values;
    }

    /** Lays out the jar and its runtime dependencies in the input folder; returns the jar's name there. */
    private String stageInput() throws IOException {
        File jar = project.getArtifact().getFile();
        if (jar == null || !jar.isFile() || !jar.getName().endsWith(".jar"))
            throw new IllegalStateException("the installer goal packs the project's jar, which is not built"
                    + (jar == null ? "" : " (" + jar + ")") + ": run it in the package phase of a jar project");
        ShippedTools.removeTree(inputFolder.toPath());
        Path lib = inputFolder.toPath().resolve("lib");
        Files.createDirectories(lib);
        Files.copy(jar.toPath(), inputFolder.toPath().resolve(jar.getName()));
        // Name order is class path order; the same file name from two groups keeps both.
        Map<String, Artifact> byFile = new TreeMap<>();
        Set<String> taken = new HashSet<>();
        for (Artifact a : project.getArtifacts()) {
            if (a.getFile() == null || !a.getArtifactHandler().isAddedToClasspath() || !a.getFile().getName().endsWith(".jar"))
                continue;
            String file = a.getFile().getName();
            if (!taken.add(file)) file = a.getGroupId() + "-" + file;
            byFile.put(file, a);
        }
        for (Map.Entry<String, Artifact> e : byFile.entrySet())
            Files.copy(e.getValue().getFile().toPath(), lib.resolve(e.getKey()), StandardCopyOption.REPLACE_EXISTING);
        getLog().info("Packing " + jar.getName() + " and " + byFile.size() + " runtime dependencies into " + out);
        return jar.getName();
    }

    private void run(List<String> command, Long epoch) throws IOException, MojoFailureException {
        ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true).directory(project.getBasedir());
        if (epoch != null) builder.environment().put("SOURCE_DATE_EPOCH", Long.toString(epoch));
        getLog().debug("Running " + String.join(" ", command));
        Process process = builder.start();
        process.getOutputStream().close();
        List<String> failure = new ArrayList<>(), own = new ArrayList<>();
        try (BufferedReader in = new BufferedReader(new InputStreamReader(process.getInputStream(), StandardCharsets.UTF_8))) {
            for (String line; (line = in.readLine()) != null;) {
                switch (PackerOutput.levelOf(line)) {
                    case WARNING:
                        getLog().warn(line);
                        break;
                    case ERROR:
                        getLog().error(line);
                        failure.add(line);
                        break;
                    default:
                        // Its own lines are its verdict: the failure's message, or else information.
                        if (line.startsWith("ruvo-pack: ")) own.add(line);
                        else getLog().info(line);
                }
            }
        }
        int code;
        try {
            code = process.waitFor();
        } catch (InterruptedException e) {
            process.destroy();
            Thread.currentThread().interrupt();
            throw new IOException("interrupted while ruvo-pack ran");
        }
        failure.addAll(own);
        if (code != 0)
            throw new MojoFailureException(failure.isEmpty() ? "ruvo-pack stopped with exit code " + code : String.join("\n", failure));
        for (String line : own) getLog().info(line);
        if (!out.isFile()) throw new MojoFailureException("ruvo-pack wrote no " + out);
    }
}
