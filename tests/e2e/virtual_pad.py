#!/usr/bin/python3
"""A virtual pad through Linux uinput for the end-to-end test: a stick
(ABS_X, ABS_Y) and eight buttons in a common pad's order (A, B, X, Y, LB,
RB, Back, Start). Prints "ready" once its joystick device exists, else
one line saying why not. Then reads commands from the FIFO given:
"press BUTTON" (a, b, back, start), "right SECONDS", "left SECONDS", "quit".
Usage: virtual_pad.py FIFO"""
import fcntl, glob, os, struct, sys, time

UI_SET_EVBIT, UI_SET_KEYBIT, UI_SET_ABSBIT = 0x40045564, 0x40045565, 0x40045567
UI_DEV_CREATE, UI_DEV_DESTROY = 0x5501, 0x5502
EV_SYN, EV_KEY, EV_ABS = 0, 1, 3
BUTTONS = {"a": 0x130, "b": 0x131, "x": 0x133, "y": 0x134, "lb": 0x136, "rb": 0x137,
           "back": 0x13a, "start": 0x13b}
AXIS_MAX = 32767


def emit(fd, kind, code, value):
    os.write(fd, struct.pack("llHHi", 0, 0, kind, code, value))


def sync(fd):
    emit(fd, EV_SYN, 0, 0)


def main():
    fifo = sys.argv[1]
    before = set(glob.glob("/dev/input/js*"))
    try:
        fd = os.open("/dev/uinput", os.O_WRONLY | os.O_NONBLOCK)
    except OSError as e:
        print("cannot open /dev/uinput: %s" % e.strerror, flush=True)
        return
    fcntl.ioctl(fd, UI_SET_EVBIT, EV_KEY)
    fcntl.ioctl(fd, UI_SET_EVBIT, EV_ABS)
    for code in sorted(BUTTONS.values()):
        fcntl.ioctl(fd, UI_SET_KEYBIT, code)
    for axis in (0, 1):
        fcntl.ioctl(fd, UI_SET_ABSBIT, axis)
    absmax = [0] * 64
    absmin = [0] * 64
    absmax[0] = absmax[1] = AXIS_MAX
    absmin[0] = absmin[1] = -AXIS_MAX
    setup = struct.pack("80sHHHHi", b"Brindlecove test pad", 3, 0x1234, 0x5678, 1, 0)
    setup += struct.pack("64i", *absmax) + struct.pack("64i", *absmin)
    setup += struct.pack("64i", *([0] * 64)) * 2
    os.write(fd, setup)
    fcntl.ioctl(fd, UI_DEV_CREATE)
    for _ in range(30):
        if set(glob.glob("/dev/input/js*")) - before:
            break
        time.sleep(0.1)
    else:
        print("the kernel made no /dev/input/js* for the pad (no joydev or no udev here)", flush=True)
        fcntl.ioctl(fd, UI_DEV_DESTROY)
        return
    os.mkfifo(fifo)
    print("ready", flush=True)
    with open(fifo) as commands:
        while True:
            line = commands.readline()
            if not line:
                commands = open(fifo)
                continue
            words = line.split()
            if not words or words[0] == "quit":
                break
            if words[0] == "press":
                emit(fd, EV_KEY, BUTTONS[words[1]], 1); sync(fd)
                time.sleep(0.2)
                emit(fd, EV_KEY, BUTTONS[words[1]], 0); sync(fd)
            elif words[0] in ("left", "right"):
                emit(fd, EV_ABS, 0, AXIS_MAX if words[0] == "right" else -AXIS_MAX); sync(fd)
                time.sleep(float(words[1]))
                emit(fd, EV_ABS, 0, 0); sync(fd)
    fcntl.ioctl(fd, UI_DEV_DESTROY)


main()
