package it.tavora.velmora.maven;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.StringReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.AtomicMoveNotSupportedException;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.Comparator;
import java.util.Properties;
import java.util.TreeSet;
import java.util.stream.Stream;

/**
 * The programs the plugin jar carries (packers, stub, launchers, setup engine), unpacked once
 * into a folder of the cache named by the hash of their index, so a new plugin version never
 * runs an old packer and a second build unpacks nothing.
 */
final class ShippedTools {
    static final String RESOURCES = "/it/tavora/velmora/maven/tools/";
    static final String SUPPORTED = "Linux x86-64 and Windows x64";

    private ShippedTools() {}

    /** The packer's file name for this platform; throws one line naming the supported ones. */
    static String packerFor(String osName, String osArch) {
        String os = osName.toLowerCase(java.util.Locale.ROOT);
        boolean x64 = osArch.equals("amd64") || osArch.equals("x86_64");
        if (x64 && os.equals("linux")) return "ruvo-pack";
        if (x64 && os.startsWith("windows")) return "ruvo-pack.exe";
        throw new IllegalStateException("the installer goal runs on " + SUPPORTED + ", not on " + osName + " " + osArch);
    }

    /** The unpacked folder, holding every file of the index. */
    static Path unpacked(Path cache) throws IOException {
        byte[] indexBytes = resource("index.properties");
        Properties index = new Properties();
        index.load(new StringReader(new String(indexBytes, StandardCharsets.UTF_8)));
        Path folder = cache.resolve(hex(sha256(indexBytes)).substring(0, 16));
        Path complete = folder.resolve(".complete");
        if (Files.isRegularFile(complete)) return folder;

        Files.createDirectories(cache);
        Path temporary = Files.createTempDirectory(cache, "unpacking-");
        try {
            for (String name : new TreeSet<>(index.stringPropertyNames())) {
                byte[] bytes = resource(name);
                if (!hex(sha256(bytes)).equals(index.getProperty(name)))
                    throw new IOException("the plugin's copy of " + name + " is damaged: reinstall the plugin");
                Path file = temporary.resolve(name);
                Files.write(file, bytes);
                if (!name.endsWith(".exe")) file.toFile().setExecutable(true, false);
            }
            Files.write(temporary.resolve(".complete"), new byte[0]);
            try {
                Files.move(temporary, folder, StandardCopyOption.ATOMIC_MOVE);
            } catch (FileAlreadyExistsException | AtomicMoveNotSupportedException e) {
                // Another build unpacked the same files at the same time.
                if (!Files.isRegularFile(complete)) throw e;
            } catch (IOException e) {
                if (!Files.isRegularFile(complete)) throw e;  // on Windows, a non-empty target
            }
        } finally {
            removeTree(temporary);
        }
        return folder;
    }

    private static byte[] resource(String name) throws IOException {
        try (InputStream in = ShippedTools.class.getResourceAsStream(RESOURCES + name)) {
            if (in == null) throw new IOException("the plugin jar lacks " + RESOURCES + name + ": it was built without the kit's programs");
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            byte[] buffer = new byte[1 << 16];
            for (int n; (n = in.read(buffer)) > 0;) out.write(buffer, 0, n);
            return out.toByteArray();
        }
    }

    static byte[] sha256(byte[] bytes) {
        try {
            return MessageDigest.getInstance("SHA-256").digest(bytes);
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException(e);
        }
    }

    static String hex(byte[] bytes) {
        StringBuilder s = new StringBuilder();
        for (byte b : bytes) s.append(String.format("%02x", b & 0xff));
        return s.toString();
    }

    static void removeTree(Path root) throws IOException {
        if (!Files.exists(root)) return;
        try (Stream<Path> paths = Files.walk(root)) {
            for (Path p : (Iterable<Path>) paths.sorted(Comparator.reverseOrder())::iterator) Files.delete(p);
        }
    }

    static File file(Path folder, String name) { return folder.resolve(name).toFile(); }
}
