# What a scripter writes instead of --set: set LimitTime in each file named
# and stamp the save mark, with the plainest Python, a file at a time.
# Usage: python3 bench/set_loop.py VALUE FILE...
import sys

for name in sys.argv[2:]:
    with open(name, "r+b") as f:
        f.seek(0x389)
        b = bytearray(f.read(7))
        v = int(sys.argv[1])
        b[1] = v & 0xFF
        b[2] = v >> 8
        b[5] = 0x55
        b[6] = 0xAA
        f.seek(0x389)
        f.write(b)
        print(name + ": set")
