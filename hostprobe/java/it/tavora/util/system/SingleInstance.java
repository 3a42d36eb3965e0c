package it.tavora.util.system;

import java.io.BufferedInputStream;
import java.io.EOFException;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.CharBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.CharsetDecoder;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * The later starts of a single-instance application ({@code kiv.single.instance=true}): each
 * one hands its arguments and working folder to the running program and ends, and they
 * arrive here.
 *
 * <p>The launcher names a pipe in the system property {@code kiv.instance.pipe}; it carries
 * frames: a little-endian 32-bit body length, then the body: a 32-bit argument count, then the
 * folder and each argument, each as a 32-bit byte length and that many bytes of UTF-8. A frame
 * that is longer than 256 KiB, whose lengths do not add up, or whose text is not UTF-8 or holds
 * a NUL is dropped (and reported on standard error when {@code KIV_DEBUG=true}); reading goes
 * on with the next one.
 */
public final class SingleInstance {

    /** Receives each hand-over, on the reading thread: a Swing program moves it to its event thread. */
    public interface Listener {
        void handOver(List<String> arguments, Path folder);
    }

    /** The system property that names the pipe. */
    public static final String PIPE_PROPERTY = "kiv.instance.pipe";

    static final int BODY_LIMIT = 256 * 1024;

    private static boolean listening;

    private SingleInstance() {
    }

    /**
     * Delivers every later start's hand-over to the listener, from a daemon thread of its own.
     * The launcher keeps the hand-overs that arrive before this call. False when the program was
     * not started by a single-instance launcher (or its pipe cannot be opened), and on a second
     * call.
     */
    public static synchronized boolean listen(Listener listener) {
        if (listener == null) throw new NullPointerException("listener");
        String pipe = System.getProperty(PIPE_PROPERTY);
        if (pipe == null || pipe.isEmpty() || listening) return false;
        final InputStream in;
        try {
            in = new FileInputStream(pipe);
        } catch (IOException e) {
            debug(pipe + " cannot be opened: " + e.getMessage());
            return false;
        }
        listening = true;
        Thread reader = new Thread(() -> {
            try (InputStream stream = in) {
                read(stream, listener);
            } catch (IOException e) {
                debug("the pipe ended: " + e.getMessage());
            }
        }, "single-instance hand-overs");
        reader.setDaemon(true);
        reader.start();
        return true;
    }

    /** Reads frames until the stream ends; returns how many reached the listener. */
    static int read(InputStream raw, Listener listener) throws IOException {
        InputStream in = new BufferedInputStream(raw);
        byte[] header = new byte[4];
        int delivered = 0;
        while (readFully(in, header, true)) {
            long length = ByteBuffer.wrap(header).order(ByteOrder.LITTLE_ENDIAN).getInt() & 0xFFFFFFFFL;
            if (length > BODY_LIMIT) {
                debug("hand-over dropped: its body of " + length + " bytes is larger than " + BODY_LIMIT);
                skipFully(in, length);
                continue;
            }
            byte[] body = new byte[(int) length];
            readFully(in, body, false);
            List<String> texts = parse(body);
            if (texts == null) continue;
            final Path folder;
            try {
                folder = Paths.get(texts.get(0));
            } catch (InvalidPathException e) {
                debug("hand-over dropped: the folder is no path: " + e.getMessage());
                continue;
            }
            try {
                listener.handOver(Collections.unmodifiableList(texts.subList(1, texts.size())), folder);
                delivered++;
            } catch (RuntimeException e) {
                debug("the listener failed: " + e);
            }
        }
        return delivered;
    }

    /** The folder and the arguments of a body, or null when it is malformed. */
    static List<String> parse(byte[] body) {
        ByteBuffer buffer = ByteBuffer.wrap(body).order(ByteOrder.LITTLE_ENDIAN);
        if (buffer.remaining() < 4) return drop("the body is shorter than its count");
        long count = buffer.getInt() & 0xFFFFFFFFL;
        if (count > buffer.remaining() / 4) return drop("the count " + count + " does not fit the body");
        CharsetDecoder decoder = StandardCharsets.UTF_8.newDecoder()
                .onMalformedInput(CodingErrorAction.REPORT)
                .onUnmappableCharacter(CodingErrorAction.REPORT);
        List<String> texts = new ArrayList<>();
        for (long i = 0; i <= count; i++) {
            if (buffer.remaining() < 4) return drop("the body ends before text " + i);
            long length = buffer.getInt() & 0xFFFFFFFFL;
            if (length > buffer.remaining()) return drop("text " + i + " runs past the body");
            ByteBuffer bytes = buffer.slice();
            bytes.limit((int) length);
            buffer.position(buffer.position() + (int) length);
            final CharBuffer text;
            try {
                text = decoder.decode(bytes);
            } catch (CharacterCodingException e) {
                return drop("text " + i + " is not UTF-8");
            }
            String value = text.toString();
            if (value.indexOf('\0') >= 0) return drop("text " + i + " holds a NUL");
            texts.add(value);
        }
        if (buffer.hasRemaining()) return drop(buffer.remaining() + " bytes follow the last text");
        return texts;
    }

    private static List<String> drop(String why) {
        debug("hand-over dropped: " + why);
        return null;
    }

    // False at the stream's end before the first byte when that is allowed.
    private static boolean readFully(InputStream in, byte[] into, boolean endAllowed) throws IOException {
        int at = 0;
        while (at < into.length) {
            int got = in.read(into, at, into.length - at);
            if (got < 0) {
                if (at == 0 && endAllowed) return false;
                throw new EOFException("the pipe ended inside a frame");
            }
            at += got;
        }
        return true;
    }

    private static void skipFully(InputStream in, long count) throws IOException {
        byte[] scrap = new byte[8192];
        while (count > 0) {
            int got = in.read(scrap, 0, (int) Math.min(scrap.length, count));
            if (got < 0) throw new EOFException("the pipe ended inside a frame");
            count -= got;
        }
    }

    private static void debug(String text) {
        if ("true".equalsIgnoreCase(System.getenv("KIV_DEBUG"))) System.err.println("single instance: " + text);
    }
}
