#!/usr/bin/env python3
"""Writes the expected transfer-table texts of the tone tests.

An emulation of the tone arithmetic written apart from the C++ code: every single-precision
operation is done in double and then rounded to float, which gives the correctly rounded
float result for + - * / of two floats. Usage: make_transfer_golden.py (writes the files
next to this script).
"""
import math
import os
import struct

POSITIONS = [0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100]


def f(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def knots(levels):
    xs, ys = [None], [None]
    for k, level in enumerate(levels):
        if level != -1:
            xs.append(float(POSITIONS[k]))
            ys.append(f(f(float(level)) / 100.0))
    return len(xs) - 1, xs, ys


def second_derivatives(n, x, y):
    d, u, w, p = [0.0] * 100, [0.0] * 100, [0.0] * 100, [0.0] * (n + 1)
    for i in range(2, n):
        d[i] = f(2.0 * f(x[i + 1] - x[i - 1]))
    for i in range(1, n):
        u[i] = f(x[i + 1] - x[i])
    for i in range(2, n):
        w[i] = f(6.0 * f(f(f(y[i + 1] - y[i]) / u[i]) - f(f(y[i] - y[i - 1]) / u[i - 1])))
    for i in range(2, n - 1):
        w[i + 1] = f(w[i + 1] - f(f(u[i] * w[i]) / d[i]))
        d[i + 1] = f(d[i + 1] - f(f(u[i] * u[i]) / d[i]))
    for i in range(n - 1, 1, -1):
        p[i] = f(f(w[i] - f(u[i] * p[i + 1])) / d[i])
    return p


def evaluate(n, x, y, p, v):
    i = 1
    while i < n - 1 and v > x[i + 1]:
        i += 1
    h = f(x[i + 1] - x[i])
    t = f(f(v - x[i]) / h)
    s = f(1.0 - t)
    a = f(f(t * y[i + 1]) + f(s * y[i]))
    q = f(f(f(f(f(t * t) * t) - t) * p[i + 1]) + f(f(f(f(s * s) * s) - s) * p[i]))
    b = f(f(h * h) * q)
    r = f(a + b / 6.0)
    return 0.0 if r < 0 else min(r, 100.0)


def transfer(levels):
    n, x, y = knots(levels)
    p = second_derivatives(n, x, y)
    table = []
    for k in range(256):
        v = f((255 - k) * (100.0 / 255.0))
        level = f(25500.0 - 255.0 * evaluate(n, x, y, p, v))
        table.append((int(f(level * 65536.0)) + 32768) >> 16)
    return table


def number(v):
    text = str(v // 100)
    fraction = v % 100
    if fraction:
        text += '.' + str(fraction // 10) + ('' if fraction % 10 == 0 else str(fraction % 10))
    return text


def table_text(table):
    return ''.join(number(v) + ('\n' if k % 10 == 9 else '\t') for k, v in enumerate(table))


# Name -> the thirteen levels (-1: no point). The irregular curves have entries that land
# within a rounding step of a half hundredth: a fused multiply-add changes entries of the
# first two, a single-precision final sum (a + b / 6) one of the third.
CURVES = {
    'gamma220': [0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000],
    'irregular1': [8164, -1, 1275, -1, -1, 7676, -1, -1, -1, -1, 5767, 9420, 4716],
    'irregular2': [5965, -1, -1, 9481, -1, 5455, -1, -1, -1, 8099, 175, 3409, 5609],
    'irregular3': [9531, 8079, 6013, -1, -1, -1, 1606, 918, 4922, -1, 5607, -1, 734],
}

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for name, levels in CURVES.items():
        with open(os.path.join(here, 'transfer_%s.txt' % name), 'w', newline='') as out:
            out.write(table_text(transfer(levels)))
