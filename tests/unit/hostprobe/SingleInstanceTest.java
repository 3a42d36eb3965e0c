package it.tavora.util.system;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.EOFException;
import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/** The hand-over reader against byte streams as the launcher writes them; exits 1 on a failure. */
public final class SingleInstanceTest {

    private static int failures;

    private static void check(boolean ok, String what) {
        if (!ok) {
            failures++;
            System.out.println("FAILED: " + what);
        }
    }

    private static byte[] le32(long value) {
        return ByteBuffer.allocate(4).order(ByteOrder.LITTLE_ENDIAN).putInt((int) value).array();
    }

    private static byte[] text(byte[] utf8) {
        return concat(le32(utf8.length), utf8);
    }

    private static byte[] text(String value) {
        return text(value.getBytes(StandardCharsets.UTF_8));
    }

    private static byte[] concat(byte[]... parts) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        for (byte[] part : parts) out.write(part, 0, part.length);
        return out.toByteArray();
    }

    private static byte[] frame(byte[] body) {
        return concat(le32(body.length), body);
    }

    private static byte[] handOver(String folder, String... arguments) {
        byte[] body = concat(le32(arguments.length), text(folder));
        for (String argument : arguments) body = concat(body, text(argument));
        return frame(body);
    }

    private static List<String> received(byte[] stream) throws IOException {
        List<String> seen = new ArrayList<>();
        SingleInstance.read(new ByteArrayInputStream(stream), (arguments, folder) -> {
            if (arguments.contains("throw")) throw new IllegalStateException("the listener's own fault");
            seen.add(folder + "|" + String.join("|", arguments));
        });
        return seen;
    }

    public static void main(String[] args) throws IOException {
        byte[] good = handOver("C:\\Users\\ann", "two words", "", "\u00e4 \u65e5 \uD83D\uDE00", "tab\there", "a\"b");
        byte[] other = handOver("D:\\", "after");
        String goodSeen = "C:\\Users\\ann|two words||\u00e4 \u65e5 \uD83D\uDE00|tab\there|a\"b";
        Object[][] cases = {
            // what comes before `other` on the stream, what the listener sees of it
            {"a well-formed hand-over", good, goodSeen},
            {"no arguments", handOver("C:\\"), "C:\\|"},
            {"a count beyond the body", frame(concat(le32(3), text("C:\\"))), null},
            {"bytes after the last text", frame(concat(le32(0), text("C:\\"), new byte[] {'x'})), null},
            {"a text past the body", frame(concat(le32(0), le32(99), "C:\\".getBytes(StandardCharsets.US_ASCII))), null},
            {"an empty body", frame(new byte[0]), null},
            {"not UTF-8", frame(concat(le32(0), text(new byte[] {(byte) 0xC0, (byte) 0x80}))), null},
            {"an encoded surrogate", frame(concat(le32(0), text(new byte[] {(byte) 0xED, (byte) 0xA0, (byte) 0x80}))), null},
            {"a NUL", handOver("C:\\", "a\0b"), null},
            {"oversized, skipped whole", concat(le32(SingleInstance.BODY_LIMIT + 1), new byte[SingleInstance.BODY_LIMIT + 1]), null},
            {"the listener fails", handOver("C:\\", "throw"), null},
        };
        for (Object[] c : cases) {
            List<String> seen = received(concat((byte[]) c[1], other));
            List<String> expected = c[2] == null ? Arrays.asList("D:\\|after") : Arrays.asList((String) c[2], "D:\\|after");
            check(seen.equals(expected), c[0] + ": " + seen);
        }

        check(received(new byte[0]).isEmpty(), "an empty stream");
        try {
            received(concat(good, Arrays.copyOf(other, other.length - 1)));
            check(false, "a stream that ends inside a frame reports it");
        } catch (EOFException expected) {
            // the launcher has gone
        }
        check(SingleInstance.parse(Arrays.copyOfRange(good, 4, good.length)).size() == 6, "parse: the folder and five arguments");

        System.clearProperty(SingleInstance.PIPE_PROPERTY);
        check(!SingleInstance.listen((arguments, folder) -> { }), "listen without a single-instance launcher");
        System.setProperty(SingleInstance.PIPE_PROPERTY, "/nonexistent/pipe");
        check(!SingleInstance.listen((arguments, folder) -> { }), "listen on a pipe that cannot be opened");

        if (failures > 0) System.exit(1);
        System.out.println("SingleInstanceTest: all " + (cases.length + 5) + " checks passed");
    }
}
