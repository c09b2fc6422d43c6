#!/usr/bin/env python3
"""Runs every benchmark figure side by side and writes docs/benchmarks.md.

usage: report.py BUILD_DIR INPUTS_DIR OUTPUT_MD

BUILD_DIR holds bin/corvane-cli, bin/corvane, bin/corvane-bench and
bin/corvane-bench-session (a Release build); INPUTS_DIR the files of
make_images.py. Whole processes are timed with os.wait4, so every figure has
its wall-clock time and its CPU time (user + system, every thread); on a
loaded machine the CPU time is the figure to trust. The findings written by
hand (bench/findings.md) are copied into the document.
"""
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PARTITIONS = "4,100000,0,10000,80000,F0000"  # the virtual projector's default 1 MiB flash
FLASH_BYTES = 0x100000
PROCESS_RUNS = 11
SESSION_RUNS = 5
STARTUP_RUNS = 7
IDLE_SECONDS = 10

HERE = os.path.dirname(os.path.abspath(__file__))


class Run:
    def __init__(self, wall, cpu, maxrss_kib, status, stdout, stderr):
        self.wall = wall
        self.cpu = cpu
        self.maxrss_kib = maxrss_kib
        self.status = status
        self.stdout = stdout
        self.stderr = stderr


def run_once(command, env=None, until_line=None):
    """Runs command to its end; wall and CPU seconds, peak RSS. With
    until_line, the wall time is taken when stderr first shows that text."""
    out = tempfile.TemporaryFile()
    started = time.perf_counter()
    process = subprocess.Popen(command, stdout=out, stderr=subprocess.PIPE, env=env)
    marked = None
    err_lines = []
    for raw in process.stderr:
        line = raw.decode(errors="replace")
        err_lines.append(line)
        if until_line and marked is None and until_line in line:
            marked = time.perf_counter() - started
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - started
    out.seek(0)
    return Run(marked if until_line else wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss,
               os.waitstatus_to_exitcode(status), out.read().decode(errors="replace"),
               "".join(err_lines))


def run_many(command, runs, env=None, until_line=None):
    results = [run_once(command, env, until_line) for _ in range(runs)]
    for result in results:
        if result.status != 0 or (until_line and result.wall is None):
            raise SystemExit("benchmark command failed (%d): %s\n%s%s" % (
                result.status, " ".join(command), result.stdout, result.stderr))
    return results


def median(values):
    return statistics.median(values)


def ms(seconds):
    return "%.1f ms" % (seconds * 1000)


def verdict(ok):
    return "**pass**" if ok else "**miss**"


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return model, os.cpu_count(), platform.release()


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


class Bench:
    def __init__(self, build, inputs):
        self.bin = os.path.join(build, "bin")
        self.inputs = inputs
        self.scratch = tempfile.mkdtemp(prefix="corvane-bench-")
        self.settings = os.path.join(self.scratch, "settings.reg")
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                        XDG_CONFIG_HOME=os.path.join(self.scratch, "config"),
                        XDG_CACHE_HOME=os.path.join(self.scratch, "cache"))

    def tool(self, name):
        return os.path.join(self.bin, name)

    def input(self, name):
        return os.path.join(self.inputs, name)

    def out(self, name):
        return os.path.join(self.scratch, name)

    # 1. Conversion -----------------------------------------------------
    def micro(self):
        result = subprocess.run(
            [self.tool("corvane-bench"), "--benchmark_format=json", "--benchmark_repetitions=5",
             "--benchmark_report_aggregates_only=true"],
            env=dict(self.env, CORVANE_BENCH_INPUTS=self.inputs), check=True,
            capture_output=True, text=True)
        figures = {}
        for entry in json.loads(result.stdout)["benchmarks"]:
            if entry.get("aggregate_name") == "median":
                figures[entry["run_name"]] = entry
        return figures

    def conversion(self):
        inputs = [("Intel hex, 16-byte records", "image-16.hex", "ihex", ["-intel"]),
                  ("Intel hex, 32-byte records", "image-32.hex", "ihex", ["-intel"]),
                  ("S-records (S2, 32-byte)", "image.srec", "srec", [])]
        rows = []
        for title, name, bfd, srec_format in inputs:
            source = self.input(name)
            corvane = run_many([self.tool("corvane-cli"), "convert", "--no-hw-match",
                                "--partitions", PARTITIONS, "-o", self.out("staged.bin"),
                                source], PROCESS_RUNS)
            objcopy = run_many(["objcopy", "-I", bfd, "-O", "binary", source,
                                self.out("objcopy.bin")], PROCESS_RUNS)
            srec_cat = run_many(["srec_cat", source] + srec_format +
                                ["-o", self.out("srec_cat.bin"), "-binary"], PROCESS_RUNS)
            rows.append((title, name, os.path.getsize(source), corvane, objcopy, srec_cat))
        return rows

    # 2. and 3. A download with verification, timed event by event --------
    def blocks_of(self, name):
        run = run_once([self.tool("corvane-cli"), "convert", "--no-hw-match", "--partitions",
                        PARTITIONS, self.input(name)])
        match = re.search(r"(\d+) data blocks? with (\d+) data bytes", run.stdout)
        return int(match.group(1)) + 1  # and the end block

    def session(self, name, through_libusb=False):
        command = [self.tool("corvane-bench-session"), "download", "--verify",
                   "--no-hw-match", "--json", "--settings", self.settings, self.input(name)]
        if through_libusb:
            # The same download to the projector behind real libusb and an
            # emulated usbfs (served by another process, not counted in CPU).
            command = [self.tool("corvane-usbfs"), "--projector", "port=1-1", "--"] + command
        else:
            command.insert(2, "--simulate")
        samples = []
        for _ in range(SESSION_RUNS):
            run = run_once(command, self.env)
            events = []
            for line in run.stdout.splitlines():
                parts = line.split(" ", 2)
                if len(parts) == 3 and parts[2].startswith("{"):
                    events.append((int(parts[0]), int(parts[1]), json.loads(parts[2])))
            summary = [e for e in events if e[2].get("event") == "summary"]
            if run.status != 0 or not summary or summary[-1][2].get("result") != "ok":
                raise SystemExit("download session failed:\n" + run.stdout + run.stderr)

            def status_at(prefix, after=(0, 0)):
                for wall, cpu, event in events:
                    if (wall >= after[0] and event.get("event") == "status" and
                            event["text"].startswith(prefix)):
                        return wall, cpu
                raise SystemExit("no status line '%s' in:\n%s" % (prefix, run.stdout))

            program = status_at("Downloading ")
            verify = status_at("Verifying ", program)
            end = status_at("Waiting for new connection", verify)
            samples.append({"program_wall": verify[0] - program[0],
                            "program_cpu": verify[1] - program[1],
                            "verify_wall": end[0] - verify[0],
                            "verify_cpu": end[1] - verify[1]})
        return samples

    # 4. Memory -----------------------------------------------------------
    def memory(self, name):
        return run_many([self.tool("corvane-cli"), "download", "--simulate", "--verify",
                         "--no-hw-match", "-q", "--settings", self.settings, self.input(name)],
                        3, self.env)

    # 5. Idle -------------------------------------------------------------
    def idle(self):
        env = dict(self.env, CORVANE_PROBE="idle:%d" % IDLE_SECONDS)
        run = run_many([self.tool("corvane"), "--simulate", "--settings", self.settings], 1,
                       env)[0]
        match = re.search(r"corvane-probe: idle cpu-us (\d+) wakeups (\d+)", run.stderr)
        if not match:
            raise SystemExit("corvane gave no idle figure:\n" + run.stderr)
        return int(match.group(1)) / 1e6, int(match.group(2))

    # 6. Start-up ---------------------------------------------------------
    def startup(self):
        shown = run_many([self.tool("corvane"), "--settings", self.settings], STARTUP_RUNS,
                         dict(self.env, CORVANE_PROBE="shown"), "corvane-probe: shown")
        ready = run_many([self.tool("corvane"), "--simulate", "--settings", self.settings],
                         STARTUP_RUNS, dict(self.env, CORVANE_PROBE="ready"),
                         "corvane-probe: ready")
        cli = run_many([self.tool("corvane-cli"), "info", "--simulate", "-q", "--settings",
                        self.settings], STARTUP_RUNS, self.env)
        return shown, ready, cli


def write_report(path, bench, started_load, started_at):
    model, cores, kernel = machine()
    lines = []
    add = lines.append

    micro = bench.micro()
    conversion = bench.conversion()
    blocks = bench.blocks_of("image-16.hex")
    session = bench.session("image-16.hex")
    usb_session = bench.session("image-16.hex", through_libusb=True)
    memory = bench.memory("image-16.hex")
    idle_cpu, idle_wakeups = bench.idle()
    shown, ready, cli_info = bench.startup()
    finished_load = load_average()

    add("# Benchmarks")
    add("")
    add("Generated by `make bench` (`scripts/bench.sh`, `bench/report.py`); the findings at the "
        "end are written by hand in `bench/findings.md`. Every figure below comes from one run "
        "of the script, side by side with its peers.")
    add("")
    add("| | |")
    add("|---|---|")
    add("| Machine | %s, %d cores, Linux %s |" % (model, cores, kernel))
    add("| Date | %s |" % started_at.strftime("%Y-%m-%d %H:%M UTC"))
    add("| Load average (1, 5, 15 min) | at start %s; at end %s |" % (started_load, finished_load))
    add("| Build | Release (`-O2 -g -DNDEBUG`), `build-bench/` |")
    add("| Inputs | one 1 MiB image of pseudo-random bytes (`bench/make_images.py`) |")
    add("")
    add("Whole processes are timed with `wait4`: *wall* is elapsed time, *CPU* is user + system "
        "time of every thread. Other work on the machine stretches wall time but hardly CPU "
        "time, so the verdicts use CPU time where a figure allows. Medians of %d runs unless "
        "said otherwise." % PROCESS_RUNS)
    add("")

    # 1.
    add("## 1. Conversion throughput")
    add("")
    add("`ConvertFirmwareImage` alone (Google Benchmark, median of 5 repetitions; input MB/s "
        "per CPU second, the file already open as the download job has it):")
    add("")
    add("| Input | Size | CPU time per conversion | Throughput |")
    add("|---|---|---|---|")
    for title, name, size, *_ in conversion:
        key = {"image-16.hex": "BM_ConvertIntelHex16", "image-32.hex": "BM_ConvertIntelHex32",
               "image.srec": "BM_ConvertSRecords"}[name]
        entry = micro[key]
        add("| %s | %.2f MB | %.2f ms | %.0f MB/s |" % (
            title, size / 1e6, entry["cpu_time"], entry["bytes_per_second"] / 1e6))
    add("")
    add("The whole `corvane-cli convert` process (writing the staged image with `-o`) against "
        "`objcopy -I ihex|srec -O binary` and `srec_cat ... -o out.bin -binary` on the same "
        "file. Target: at least twice objcopy's speed (objcopy's CPU time / ours >= 2).")
    add("")
    add("| Input | corvane-cli CPU (wall) | objcopy CPU (wall) | srec_cat CPU (wall) | "
        "vs objcopy | vs srec_cat | MB/s of input | Verdict |")
    add("|---|---|---|---|---|---|---|---|")
    for title, name, size, corvane, objcopy, srec_cat in conversion:
        ours = median([r.cpu for r in corvane])
        peer = median([r.cpu for r in objcopy])
        other = median([r.cpu for r in srec_cat])
        add("| %s | %s (%s) | %s (%s) | %s (%s) | %.1fx | %.1fx | %.0f | %s |" % (
            title, ms(ours), ms(median([r.wall for r in corvane])), ms(peer),
            ms(median([r.wall for r in objcopy])), ms(other),
            ms(median([r.wall for r in srec_cat])), peer / ours, other / ours,
            size / 1e6 / ours, verdict(peer / ours >= 2)))
    add("")

    # 2.
    program_wall = median([s["program_wall"] for s in session]) / blocks
    program_cpu = median([s["program_cpu"] for s in session]) / blocks
    add("## 2. Host overhead per image block")
    add("")
    add("`corvane-cli download --simulate --verify` of the 1 MiB Intel hex image (16-byte "
        "records: %d blocks with the end block) to the virtual projector without pacing, "
        "through Dornik in the hosted kernel, run in-process by `corvane-bench-session`, which "
        "times every event the front end writes. Programming runs from the status "
        "\"Downloading ...\" (erase done) to \"Verifying ...\" (the end block and \"X\" "
        "answered). Median of %d downloads. Every block is one write request and one 64-byte "
        "read request through the driver, and passes between threads five times (see the "
        "findings)."
        % (blocks, SESSION_RUNS))
    add("")
    add("| Figure | Wall | CPU (all threads) | Target | Verdict |")
    add("|---|---|---|---|---|")
    add("| Programming, whole image | %s | %s | | |" % (
        ms(median([s["program_wall"] for s in session]) / 1e6),
        ms(median([s["program_cpu"] for s in session]) / 1e6)))
    add("| Per block | %.1f µs | %.1f µs | <= 20 µs | %s |" % (
        program_wall, program_cpu, verdict(program_wall <= 20)))
    add("| As a fraction of a 1 ms full-speed frame | %.2f %% | %.2f %% | <= 2 %% | |" % (
        program_wall / 10, program_cpu / 10))
    add("")
    usb_wall = median([s["program_wall"] for s in usb_session]) / blocks
    usb_cpu = median([s["program_cpu"] for s in usb_session]) / blocks
    add("The same download without `--simulate`, to the projector behind real libusb: the "
        "hosted Dornik over the libusb device, libusb's asynchronous transfers over usbfs "
        "ioctls, answered by `corvane-usbfs` (umockdev's emulated usbfs, in another process "
        "whose CPU time is not counted here) with the virtual projector behind it. With a real "
        "projector the ioctls go to the kernel instead, and the USB frames set the pace.")
    add("")
    add("| Per block | Wall | CPU of the program (all threads) |")
    add("|---|---|---|")
    add("| Hosted bus, virtual projector (above) | %.1f µs | %.1f µs |" % (
        program_wall, program_cpu))
    add("| Through libusb and the emulated usbfs | %.1f µs | %.1f µs |" % (usb_wall, usb_cpu))
    add("| Added by libusb and usbfs | %.1f µs | %.1f µs |" % (
        usb_wall - program_wall, usb_cpu - program_cpu))
    add("")

    # 3.
    crc = micro["BM_ComputeCrc16/1048576"]
    add("## 3. CRC-16")
    add("")
    add("| Figure | Result |")
    add("|---|---|")
    add("| `ComputeCrc16` over 1 MiB (CPU time) | %.0f µs, %.0f MB/s |" % (
        crc["cpu_time"], crc["bytes_per_second"] / 1e6))
    add("| Verification of the 1 MiB flash after the download, end to end (\"V\", the address "
        "pair, the host's replay of the staged image and its CRC, the projector's CRC over its "
        "flash, the answer), wall / CPU | %s / %s |" % (
            ms(median([s["verify_wall"] for s in session]) / 1e6),
            ms(median([s["verify_cpu"] for s in session]) / 1e6)))
    add("")

    # 4.
    peak_mib = max(r.maxrss_kib for r in memory) / 1024
    limit_mib = FLASH_BYTES / (1 << 20) + 16
    add("## 4. Memory")
    add("")
    add("Peak resident set (`ru_maxrss`) of `corvane-cli --simulate download --verify` of the "
        "1 MiB image, the largest of 3 runs; the process holds the program, the hosted kernel "
        "and driver, and the virtual projector with its 1 MiB flash.")
    add("")
    add("| Figure | Result | Target | Verdict |")
    add("|---|---|---|---|")
    add("| Peak RSS | %.1f MiB | <= %.0f MiB (flash + 16 MiB) | %s |" % (
        peak_mib, limit_mib, verdict(peak_mib <= limit_mib)))
    add("")

    # 5.
    add("## 5. Idle cost")
    add("")
    add("`corvane --simulate` (Qt, offscreen) connected to the virtual projector and idle in "
        "Ready for %d s: the process's CPU time over that interval (getrusage, every thread: "
        "the UI thread, the reader thread waiting in its read request, the download thread, "
        "the kernel's and the projector's threads), measured in the process by "
        "`CORVANE_PROBE=idle:%d`." % (IDLE_SECONDS, IDLE_SECONDS))
    add("")
    add("| Figure | Result | Target | Verdict |")
    add("|---|---|---|---|")
    add("| CPU time over %d s idle | %.1f ms | < 20 ms | %s |" % (
        IDLE_SECONDS, idle_cpu * 1000, verdict(idle_cpu < 0.020)))
    add("| Voluntary context switches (wake-ups) in that time | %d | | |" % idle_wakeups)
    add("")

    # 6.
    add("## 6. Start-up")
    add("")
    add("Time from starting the process to the event, measured outside it (`CORVANE_PROBE` "
        "writes a line at the event; the Qt runs then close the window). Median of %d runs."
        % STARTUP_RUNS)
    add("")
    add("| Figure | Wall | CPU (whole run) |")
    add("|---|---|---|")
    add("| `corvane` (Qt, offscreen): main window shown | %s | %s |" % (
        ms(median([r.wall for r in shown])), ms(median([r.cpu for r in shown]))))
    add("| `corvane --simulate`: `Ready` with the virtual projector | %s | %s |" % (
        ms(median([r.wall for r in ready])), ms(median([r.cpu for r in ready]))))
    add("| `corvane-cli info --simulate`: whole run (start, `Ready`, close) | %s | %s |" % (
        ms(median([r.wall for r in cli_info])), ms(median([r.cpu for r in cli_info]))))
    add("")

    findings = os.path.join(HERE, "findings.md")
    if os.path.exists(findings):
        with open(findings) as f:
            add(f.read().rstrip())
        add("")

    with open(path, "w") as f:
        f.write("\n".join(lines))
    shutil.rmtree(bench.scratch, ignore_errors=True)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    started_load = load_average()
    started_at = datetime.datetime.now(datetime.timezone.utc)
    write_report(sys.argv[3], Bench(sys.argv[1], sys.argv[2]), started_load, started_at)
    print("wrote " + sys.argv[3])


if __name__ == "__main__":
    main()
