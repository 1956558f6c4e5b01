"""libgammu's AT driver against the modem simulator, measured the way
tavrik-bench-device measures ours, so the two can stand side by side:

  - connect: Init (open, libgammu's own set-up commands) and identify
    (manufacturer, model, revision, IMEI), then Terminate; median of N;
  - per part: three-part messages sent with SendSMS, the driver's own time
    per part taken from the simulator's timed log as the gap between
    consecutive AT+CMGS minus the latency the simulator adds, and the wall
    time per part.

The simulator gets the same scripts as ours: no latency for the connect,
AT+CMGS answered after 0 and after 150 ms for the parts.

Run with /usr/bin/python3 (Debian's python3-gammu lives there):
  /usr/bin/python3 tools/bench/gammu_at.py SIMULATOR [--connects N] [--parts N]
Prints one JSON object.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import gammu

# The simulator's service centre, given with each part: libgammu refuses a
# part without one and would otherwise ask the modem for it before every
# send (AT+CSCA?), a cost ours does not have.
SMSC = "+989120000500"


class Simulator:
    def __init__(self, binary, script, folder):
        path = os.path.join(folder, "script.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(script)
        self.log = os.path.join(folder, "traffic.log")
        self.process = subprocess.Popen(
            [binary, "--script", path, "--log", self.log, "--log-times"],
            stdout=subprocess.PIPE, text=True)
        self.port = self.process.stdout.readline().strip()
        if not self.port:
            raise RuntimeError("the simulator gave no port")

    def submit_times(self):
        out = []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            for line in f:
                stamp, _, rest = line.partition(" ")
                if rest.startswith("IN  AT+CMGS="):
                    out.append(float(stamp))
        return out

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def machine(port):
    sm = gammu.StateMachine()
    sm.SetConfig(0, {"Device": port, "Connection": "at115200", "Model": "",
                     "SyncTime": False, "LockDevice": False, "StartInfo": False,
                     "UseGlobalDebugFile": False, "DebugFile": "", "DebugLevel": ""})
    return sm


def connect_times(binary, runs):
    with tempfile.TemporaryDirectory() as folder:
        sim = Simulator(binary, "latency * 0\nlatency AT+CMGS 0\n", folder)
        try:
            times = []
            for _ in range(runs):
                sm = machine(sim.port)
                start = time.perf_counter()
                sm.Init()
                sm.GetManufacturer()
                sm.GetModel()
                sm.GetFirmware()
                sm.GetIMEI()
                times.append((time.perf_counter() - start) * 1000)
                sm.Terminate()
            return times
        finally:
            sim.close()


def parts_run(binary, latency, parts):
    with tempfile.TemporaryDirectory() as folder:
        sim = Simulator(binary, f"latency * 0\nlatency AT+CMGS {latency}\n", folder)
        try:
            sm = machine(sim.port)
            sm.Init()
            # Three parts, as ours sends: gaps inside a message and between
            # messages are both in the figure.
            encoded = gammu.EncodeSMS({"Class": -1, "Unicode": False, "Entries": [
                {"ID": "ConcatenatedTextLong", "Buffer": "b" * 400}]})
            messages = max(1, parts // len(encoded))
            sent = 0
            start = time.perf_counter()
            for _ in range(messages):
                for part in encoded:
                    part["Number"] = "+989121234567"
                    part["SMSC"] = {"Location": 0, "Number": SMSC, "Validity": "NA"}
                    sm.SendSMS(part)
                    sent += 1
            wall = (time.perf_counter() - start) * 1000
            sm.Terminate()
        finally:
            sim.close()
        at = sim.submit_times()
        gaps = [b - a - latency for a, b in zip(at, at[1:])]
        return {"latency": latency, "parts": sent,
                "overheadMean": statistics.mean(gaps) if gaps else None,
                "overheadMedian": statistics.median(gaps) if gaps else None,
                "wallPerPart": wall / sent if sent else None}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("simulator")
    parser.add_argument("--connects", type=int, default=5)
    parser.add_argument("--parts", type=int, default=30)
    args = parser.parse_args()
    times = connect_times(args.simulator, args.connects)
    result = {"version": gammu.Version()[0],
              "connectMedian": statistics.median(times),
              "connectMin": min(times), "connectMax": max(times),
              "perPart": [parts_run(args.simulator, 0, args.parts),
                          parts_run(args.simulator, 150, args.parts // 2)]}
    json.dump(result, sys.stdout)
    print()


if __name__ == "__main__":
    sys.exit(main())
