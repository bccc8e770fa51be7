#!/usr/bin/python3
"""Reference designs from SciPy for the approximation tests.

Reads a JSON list of requests from the file named on the command line and prints a JSON list of answers,
one per request, complex numbers as [re, im]:
  {"op": "design", "family": "butter" | "cheby1" | "bessel" | "cheby2" | "ellip",
   "btype": "lowpass" | "highpass" | "bandpass" | "bandstop", "order": n, "rp": dB, "rs": dB,
   "wn": rad/s or [low, high], "w": [rad/s, ...]}
      -> {"zeros": [...], "poles": [...], "gain": k, "h": [H(jw) for w in "w"]}
  {"op": "order", "family": "butter" | "cheby1" | "cheby2" | "ellip",
   "wp": rad/s or [low, high], "ws": likewise, "gpass": dB, "gstop": dB}
      -> {"order": n, "wn": rad/s or [low, high]}
"""
import json
import sys

import numpy as np
from scipy import signal


def pairs(values):
    return [[float(v.real), float(v.imag)] for v in np.atleast_1d(values)]


def design(r):
    family, n, wn, btype = r["family"], r["order"], r["wn"], r["btype"]
    common = dict(btype=btype, analog=True, output="zpk")
    if family == "butter":
        z, p, k = signal.butter(n, wn, **common)
    elif family == "cheby1":
        z, p, k = signal.cheby1(n, r["rp"], wn, **common)
    elif family == "bessel":
        z, p, k = signal.bessel(n, wn, norm="mag", **common)
    elif family == "cheby2":
        z, p, k = signal.cheby2(n, r["rs"], wn, **common)
    elif family == "ellip":
        z, p, k = signal.ellip(n, r["rp"], r["rs"], wn, **common)
    else:
        raise ValueError(family)
    _, h = signal.freqs_zpk(z, p, k, worN=np.asarray(r["w"], dtype=float))
    return {"zeros": pairs(z), "poles": pairs(p), "gain": float(k), "h": pairs(h)}


def order(r):
    estimate = {"butter": signal.buttord, "cheby1": signal.cheb1ord,
                "cheby2": signal.cheb2ord, "ellip": signal.ellipord}[r["family"]]
    n, wn = estimate(r["wp"], r["ws"], r["gpass"], r["gstop"], analog=True)
    return {"order": int(n), "wn": np.atleast_1d(wn).astype(float).tolist()}


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        requests = json.load(f)
    answers = [design(r) if r["op"] == "design" else order(r) for r in requests]
    json.dump(answers, sys.stdout)


if __name__ == "__main__":
    main()
