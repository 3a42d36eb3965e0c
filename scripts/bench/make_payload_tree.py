#!/usr/bin/env python3
"""Writes an installer-like tree of mixed content (class files, jars, DLLs, text) of about
the given size in MB into a folder, deterministically. With "large" as third argument the
same kinds of bytes go into a handful of big files instead, which shows streaming speed
without the cost of creating thousands of files."""
import io, os, random, sys, zipfile

root, megabytes = sys.argv[1], int(sys.argv[2])
rng = random.Random(1234)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 10))) for _ in range(3000)]

def text(n):
    out = bytearray()
    while len(out) < n:
        out += b" ".join(rng.choice(words) for _ in range(rng.randint(4, 14))) + b"\n"
    return bytes(out[:n])

def class_file(n):
    # Constant-pool-like names, small tables and some noise: compresses about like real classes.
    body = bytearray(b"\xca\xfe\xba\xbe\x00\x00\x00\x34")
    while len(body) < n:
        body += rng.choice(words) + b"/" + rng.choice(words) + bytes([rng.randrange(8), 0])
        body += rng.randbytes(rng.randint(0, 12))
    return bytes(body[:n])

def dll(n):
    out = bytearray(b"MZ")
    while len(out) < n:
        kind = rng.random()
        chunk = rng.randint(2000, 20000)
        out += rng.randbytes(chunk) if kind < 0.45 else bytes(chunk) if kind < 0.6 else text(chunk)
    return bytes(out[:n])

def write(rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)

budget = megabytes << 20
if len(sys.argv) > 3 and sys.argv[3] == "large":
    write("Windows/Bench.exe", dll(400000))
    write("Windows/Bench.kiv", b"kiv.nl.java.launcher.main.class=com.example.Main\n")
    for i in range(8):
        part = budget // 8
        data = b"".join(class_file(4000) if k % 3 == 0 else text(4000) if k % 3 == 1 else dll(4000)
                        for k in range(part // 4000))
        write(f"InstallerData/large{i}.bin", data)
    sys.exit(0)
share = {"classes": 0.30, "jars": 0.30, "dlls": 0.22, "text": 0.18}
write("Windows/Bench.exe", dll(400000))
write("Windows/Bench.kiv", b"kiv.nl.java.launcher.main.class=com.example.Main\n")
done, i = 0, 0
while done < budget * share["classes"]:
    n = rng.randint(800, 9000)
    write(f"InstallerData/classes/p{i % 40}/C{i}.class", class_file(n))
    done, i = done + n, i + 1
done, i = 0, 0
while done < budget * share["jars"]:
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for k in range(300):
            z.writestr(f"com/example/p{k % 9}/K{k}.class", class_file(rng.randint(2000, 12000)))
    write(f"InstallerData/lib/lib{i}.jar", buf.getvalue())
    done, i = done + buf.tell(), i + 1
done, i = 0, 0
while done < budget * share["dlls"]:
    n = rng.randint(300000, 3000000)
    write(f"Windows/resource/jre/bin/native{i}.dll", dll(n))
    done, i = done + n, i + 1
done, i = 0, 0
while done < budget * share["text"]:
    n = rng.randint(20000, 2000000)
    write(f"InstallerData/docs/doc{i}.txt", text(n))
    done, i = done + n, i + 1
