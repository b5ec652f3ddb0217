#!/usr/bin/env python3
"""Velmora side by side with the bare engine's own browser and Chromium.

Starts one Xvfb display, one D-Bus session and one sample platform, then
runs each case several times after a warm-up and prints medians, spreads
and ratios taken in this same run:

  launch   exec -> the sign-in page's load event, as logged by the platform
  memory   total PSS of the process tree after the sign-in page and after
           the dashboard (a second launch, signed in at once)
  idle     CPU time of the tree over a quiet spell on the dashboard
  recovery the server down at start and back at a random moment in the
           first minute: its return -> the sign-in page's load event, with
           no key pressed (Velmora alone)
  scripts  the two page scripts on a dashboard with 5,000 links
  core     Google Benchmark of the pure decisions

Everything runs on loopback. The engine's sandbox cannot start as root in a
container, so the WebKit processes started here run without it; that switch
lives in this script only.
"""

import argparse
import json
import os
import random
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkitgtk-6.0/MiniBrowser"
CHROMIUM = "/usr/bin/chromium"
WINDOW = (1280, 860)  # Velmora's first-start window size, given to Chromium too


# ---------------------------------------------------------------- processes

def proc_stat(pid):
    """(ppid, session, start time in clock ticks since boot) of a live
    process, or None."""
    try:
        text = Path(f"/proc/{pid}/stat").read_text()
    except OSError:
        return None
    # The command name may hold spaces and parentheses: split after the last ')'.
    fields = text[text.rindex(")") + 2:].split()
    return int(fields[1]), int(fields[3]), int(fields[19])


def tree(root):
    """Every process descended from `root` or in its session (each case
    starts in a session of its own, so helpers that detach are still found)."""
    stats = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            stat = proc_stat(int(entry))
            if stat:
                stats[int(entry)] = stat
    members = {pid for pid, (_, session, _) in stats.items() if session == root}
    if root in stats:
        members.add(root)
    grew = True
    while grew:
        grew = False
        for pid, (ppid, _, _) in stats.items():
            if ppid in members and pid not in members:
                members.add(pid)
                grew = True
    return members


def smaps(pid):
    """The smaps_rollup sizes of a live process by field name ("Pss",
    "Private_Dirty", ...), in KiB; empty once it has gone. PSS also counts a
    share of every library page that other processes map, so it drops when
    other programs using the engine run beside the benchmark; USS (the
    private pages) does not."""
    try:
        lines = Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines()
    except OSError:
        return {}
    return {name[:-1]: int(size) for name, size, *_ in (line.split() for line in lines)
            if name.endswith(":")}


def memory_kib(pids, field="Pss"):
    """Sum over `pids` of one smaps_rollup field, in KiB."""
    return sum(smaps(pid).get(field, 0) for pid in pids)


def process_label(pid):
    """The command name, and for Chromium's helpers their kind (renderer,
    gpu-process, ...), which all share the name "chromium"."""
    name = Path(f"/proc/{pid}/comm").read_text().strip()
    # Chromium rewrites its command line as one string with spaces.
    for arg in Path(f"/proc/{pid}/cmdline").read_bytes().replace(b"\0", b" ").split():
        if arg.startswith(b"--type="):
            return f"{name} {arg[7:].decode(errors='replace')}"
    return name


def start_ticks(pid):
    """When a live process started, in clock ticks since boot, or None."""
    stat = proc_stat(pid)
    return stat[2] if stat else None


def thread_cpu_ns(pids):
    """CPU time each live thread of `pids` has used, in ns, as
    {thread id: (process id, ns)}: the scheduler's own count, where
    /proc/PID/stat has 10 ms ticks."""
    used = {}
    for pid in pids:
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for task in tasks:
            try:
                used[int(task)] = (pid, int(Path(f"/proc/{pid}/task/{task}/schedstat")
                                            .read_text().split()[0]))
            except (OSError, ValueError, IndexError):
                pass
    return used


def end_tree(process):
    """Ends one case: its own processes, one by one, by id."""
    pids = tree(process.pid)
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.time() + 10
    while time.time() < deadline and any(proc_stat(p) for p in pids):
        process.poll()
        time.sleep(0.05)
    for pid in pids:
        if proc_stat(pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    process.wait()


# ----------------------------------------------------------------- platform

class Platform:
    def __init__(self, build, workdir):
        self.log = workdir / "platform.log"
        self.process = subprocess.Popen(
            [str(build / "velmora-sample-platform"), "--port", "0", "--log", str(self.log),
             "--state-dir", str(workdir / "platform-state")],
            stdout=subprocess.PIPE, text=True, start_new_session=True)
        line = self.process.stdout.readline()
        match = re.search(r"listening on (http://\S+?)/?$", line.strip())
        if not match:
            raise SystemExit(f"sample platform did not start: {line!r}")
        self.url = match.group(1)

    def control(self, query):
        with urllib.request.urlopen(f"{self.url}/__control?{query}", timeout=10) as answer:
            answer.read()

    def log_size(self):
        return self.log.stat().st_size if self.log.exists() else 0

    def entries(self, since):
        """The log's requests after byte `since`, as dictionaries."""
        with open(self.log, "rb") as log:
            log.seek(since)
            lines = log.read().splitlines()
        out = []
        for raw in lines:
            try:
                out.append(json.loads(raw))
            except ValueError:
                continue
        return out

    def wait_request(self, wanted, since, timeout=60):
        """The first request after byte `since` for which `wanted(entry)` holds."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            for entry in self.entries(since):
                if wanted(entry):
                    return entry
            time.sleep(0.02)
        return None

    def wait_loaded(self, path, since, timeout=60):
        """Log time of the first load beacon for `path` logged after byte `since`."""
        wanted = ("path=" + urllib.parse.quote(path, safe=""), "path=" + path)
        entry = self.wait_request(
            lambda e: e.get("path") == "/__loaded" and e.get("query") in wanted, since, timeout)
        return entry["time"] if entry else None

    def stop(self):
        end_tree(self.process)


# -------------------------------------------------------------------- cases

def variant(name, build):
    """A browser name may carry a build of its own and extra environment, so
    that two builds or settings of Velmora can be compared in one run:
    velmora@/path/to/build+GSK_RENDERER=cairo."""
    base, *extras = name.split("+")
    kind, _, other_build = base.partition("@")
    env = dict(extra.split("=", 1) for extra in extras)
    return kind, Path(other_build).resolve() if other_build else build, env


def browser_command(name, build, url, home):
    """argv and environment for one start of a browser in `home`."""
    name, build, extra = variant(name, build)
    env = dict(os.environ, HOME=str(home), XDG_CONFIG_HOME=str(home / ".config"),
               XDG_DATA_HOME=str(home / ".local/share"), XDG_CACHE_HOME=str(home / ".cache"))
    env.update(extra)
    if name == "velmora":
        settings = home / ".config" / "velmora" / "settings.ini"
        settings.parent.mkdir(parents=True, exist_ok=True)
        settings.write_text(f"[Settings]\nserverURL={url}\n")
        env["WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"] = "1"
        return [str(build / "velmora")], env
    if name == "minibrowser":
        env["WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"] = "1"
        return [MINIBROWSER, f"{url}/login"], env
    if name == "chromium":
        argv = [CHROMIUM, f"--app={url}/login", f"--user-data-dir={home / 'chromium'}",
                "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--disable-quic",
                "--disable-default-apps", "--disable-domain-reliability", "--no-pings",
                "--password-store=basic", "--use-mock-keychain",
                # Nothing but loopback resolves, whatever the browser tries on its own.
                "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                f"--window-size={WINDOW[0]},{WINDOW[1]}"]
        if os.geteuid() == 0:
            argv.append("--no-sandbox")
        return argv, env
    raise ValueError(name)


LIVE = []  # runs not yet ended, ended on interruption


class Run:
    """One start of one browser in its home, kept until `end`."""

    def __init__(self, name, build, platform, page, home, output=None):
        argv, env = browser_command(name, build, platform.url, home)
        since = self.since = platform.log_size()
        sink = open(output, "wb") if output else subprocess.DEVNULL
        self.started = time.time()
        self.process = subprocess.Popen(argv, env=env, stdout=sink, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        if output:
            sink.close()
        LIVE.append(self)
        loaded = platform.wait_loaded(page, since) if page else None
        self.seconds = loaded - self.started if loaded else None

    def settle_pss(self, quiet=0.5, longest=8.0):
        """PSS once it has stopped moving: the engine finishes painting and
        freeing for a moment after the load event."""
        deadline = time.time() + longest
        last = memory_kib(tree(self.process.pid))
        while time.time() < deadline:
            time.sleep(quiet)
            now = memory_kib(tree(self.process.pid))
            if abs(now - last) < 512:
                break
            last = now
        return self.take_memory()

    def settle_dirty(self, window=5, longest=40.0):
        """PSS once the memory the tree has written to has not moved by more
        than 1 MiB for `window` seconds. After hundreds of pages the engine
        goes on collecting and returning memory for several seconds."""
        deadline = time.time() + longest
        samples = []
        while time.time() < deadline:
            samples.append(memory_kib(tree(self.process.pid), "Private_Dirty"))
            recent = samples[-window - 1:]
            if len(recent) > window and max(recent) - min(recent) < 1024:
                break
            time.sleep(1)
        return self.take_memory()

    def take_memory(self):
        """Total PSS of the tree, with its split by process kind, USS and
        private dirty memory, all from one reading of each process."""
        self.parts, self.uss, self.dirty = {}, 0, 0
        for pid in tree(self.process.pid):
            sizes = smaps(pid)
            try:
                name = process_label(pid)
            except OSError:
                continue
            self.parts[name] = self.parts.get(name, 0) + sizes.get("Pss", 0)
            self.uss += sizes.get("Private_Clean", 0) + sizes.get("Private_Dirty", 0)
            self.dirty += sizes.get("Private_Dirty", 0)
        return sum(self.parts.values())

    def end(self):
        end_tree(self.process)
        LIVE.remove(self)


def summary(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "max": max(values),
            "n": len(values)}


def run_browsers(args, platform, names, homes):
    """Each browser keeps one home for the whole run: the warm-up is its very
    first start (shader and font caches, profile creation), the counted runs
    are the starts a user sees every day. The sign-in is cleared on the
    server before each start, so the sign-in page is always what loads."""
    results = {name: {"launch": [], "pss_signin": [], "pss_dashboard": [],
                      "launch_dashboard": [], "first_launch": [], "uss_signin": []}
               for name in names}
    parts = {}
    for round_ in range(args.warmup + args.runs):
        counted = round_ >= args.warmup
        # Interleaved, so that a burst of load on the machine hits all three alike.
        for name in names:
            platform.control("autosignin=0&sessions=clear")
            run = Run(name, args.build, platform, "/login", homes[name])
            pss = run.settle_pss() if run.seconds else None
            run.end()
            platform.control("autosignin=1&sessions=clear")
            dash = Run(name, args.build, platform, "/dashboard", homes[name])
            dash_pss = dash.settle_pss() if dash.seconds else None
            dash.end()
            if round_ == 0:
                results[name]["first_launch"].append(run.seconds)
            if counted:
                parts[name] = {"signin": getattr(run, "parts", {}), "dashboard": getattr(dash, "parts", {})}
                results[name]["launch"].append(run.seconds)
                results[name]["pss_signin"].append(pss)
                results[name]["uss_signin"].append(getattr(run, "uss", None))
                results[name]["launch_dashboard"].append(dash.seconds)
                results[name]["pss_dashboard"].append(dash_pss)
            print(f"  {'run' if counted else 'warm-up'} {round_ + 1 - (args.warmup if counted else 0)}"
                  f" {name:12s} launch {fmt(run.seconds, 's')}  PSS {fmt_mib(pss)}"
                  f"  dashboard {fmt(dash.seconds, 's')}  PSS {fmt_mib(dash_pss)}", flush=True)
    platform.control("autosignin=0")
    out = {name: {key: summary(values) for key, values in cases.items()}
           for name, cases in results.items()}
    for name in out:
        out[name]["pss_parts_last_run"] = parts.get(name)
    return out


def run_idle(args, platform, names, homes):
    """CPU of the whole tree over a quiet spell on the dashboard. One spell
    varies by about 0.05 s of CPU, so `--idle-runs` takes several, the
    browsers taking turns, and reports the median."""
    spells = {name: [] for name in names}
    parts = {}
    for round_ in range(args.idle_runs):
        for name in names:
            platform.control("autosignin=1&sessions=clear")
            run = Run(name, args.build, platform, "/dashboard", homes[name])
            if run.seconds is None:
                run.end()
                continue
            run.settle_pss()
            time.sleep(2)  # past the first paint and the scripts' first reports
            before = thread_cpu_ns(tree(run.process.pid))
            time.sleep(args.idle_seconds)
            after = thread_cpu_ns(tree(run.process.pid))
            # A thread that ended meanwhile takes its time with it; on an
            # idle page that is rare and small.
            by_process = {}
            for tid, (pid, ns) in after.items():
                try:
                    label = process_label(pid)
                except OSError:
                    label = "?"
                by_process[label] = by_process.get(label, 0) + (ns - before.get(tid, (pid, 0))[1]) / 1e9
            used = sum(by_process.values())
            run.end()
            spells[name].append(used)
            parts[name] = by_process
            print(f"  idle {name:12s} {used:.4f} s CPU over {args.idle_seconds} s = "
                  f"{100.0 * used / args.idle_seconds:.3f} % of a core", flush=True)
    platform.control("autosignin=0")
    results = {}
    for name, used in spells.items():
        if not used:
            results[name] = None
            continue
        results[name] = {"cpu_seconds": statistics.median(used), "seconds": args.idle_seconds,
                         "percent": 100.0 * statistics.median(used) / args.idle_seconds,
                         "percent_min": 100.0 * min(used) / args.idle_seconds,
                         "percent_max": 100.0 * max(used) / args.idle_seconds, "n": len(used),
                         "seconds_by_process_last_run": parts[name]}
    return results


MILESTONE = re.compile(r"Velmora-DEBUG: (\d\d):(\d\d):(\d\d)\.(\d{3}): (.*)$")


def logged_milestones(path, started):
    """What the application logged under its domain, as (text, seconds after
    `started`). GLib stamps each line with the local time of day, to the
    millisecond; addresses are cut to their paths, which are the same in
    every run."""
    day = time.localtime(started)
    midnight = time.mktime(day[:3] + (0, 0, 0) + day[6:8] + (-1,))
    out = []
    for line in Path(path).read_text(errors="replace").splitlines():
        match = MILESTONE.search(line)
        if not match:
            continue
        hours, minutes, seconds, millis, text = match.groups()
        stamp = midnight + int(hours) * 3600 + int(minutes) * 60 + int(seconds) + int(millis) / 1000
        if stamp < started - 43200:
            stamp += 86400
        text = re.sub(r"https?://\S+", lambda u: urllib.parse.urlsplit(u.group()).path or "/", text)
        out.append((text, stamp - started))
    return out


def run_profile(args, platform, names, homes):
    """Where a launch's time goes, in one run at a time: the application's
    own milestones (G_MESSAGES_DEBUG=Velmora), when its helper processes
    started (from /proc, to the kernel's 10 ms tick), when the platform
    received each page request and the page's load beacon, all measured
    from just before exec. Medians over the counted runs."""
    results = {}
    workdir = Path(tempfile.mkdtemp(prefix="velmora-bench-profile-"))
    for target, query in (("/login", "autosignin=0&sessions=clear"),
                          ("/dashboard", "autosignin=1&sessions=clear")):
        seen = {name: {} for name in names}
        for round_ in range(args.warmup + args.runs):
            for name in names:
                platform.control(query)
                kind = variant(name, args.build)[0]
                output = workdir / "output.txt"
                run = Run(name + ("+G_MESSAGES_DEBUG=Velmora" if kind == "velmora" else ""),
                          args.build, platform, target, homes[name], output)
                marks = []
                if run.seconds is not None:
                    marks = logged_milestones(output, run.started)
                    base = start_ticks(run.process.pid)
                    hz = os.sysconf("SC_CLK_TCK")
                    spawned = {}
                    for pid in tree(run.process.pid) - {run.process.pid}:
                        ticks = start_ticks(pid)
                        try:
                            label = process_label(pid)
                        except OSError:
                            continue
                        if ticks is not None and base is not None:
                            spawned[label] = min(spawned.get(label, 1e9), (ticks - base) / hz)
                    marks += [(f"{label} started", at) for label, at in spawned.items()]
                    for entry in platform.entries(run.since):
                        if entry.get("path") in ("/login", "/dashboard") and entry["method"] == "GET":
                            marks.append((f"platform: GET {entry['path']} received",
                                          entry["time"] - run.started))
                    marks.append(("platform: load beacon", run.seconds))
                run.end()
                if round_ < args.warmup:
                    continue
                for text, at in marks:
                    seen[name].setdefault(text, []).append(at)
        results[target] = {name: {text: summary(times) for text, times in marks.items()}
                           for name, marks in seen.items()}
    shutil.rmtree(workdir, ignore_errors=True)
    platform.control("autosignin=0")
    return results


def report_profile(profile):
    for target, by_name in profile.items():
        print(f"\nlaunch profile to {target} (ms after exec, median of each milestone):")
        for name, marks in by_name.items():
            print(f"  {name}:")
            for text, at in sorted(marks.items(), key=lambda m: m[1]["median"]):
                print(f"    {at['median'] * 1000:7.0f}  ({at['min'] * 1000:.0f}..{at['max'] * 1000:.0f}, "
                      f"n={at['n']})  {text}")


def soak_step(entry):
    """The load number of a soak page's "moving on" request, or None."""
    if entry.get("path") != "/__soak":
        return None
    query = urllib.parse.parse_qs(entry.get("query", ""))
    try:
        return int(query["n"][0]), int(query.get("load_ms", ["-1"])[0])
    except (KeyError, ValueError):
        return None


def soak_timing(entries, checkpoints):
    """Per load: the page's own navigation-to-load time, and the cycle from
    one page moving on to the next one doing so (server clock: the 80 ms
    pause, the navigation and the load). Cycles out of a held page are left
    out."""
    first = {}
    for entry in entries:
        step = soak_step(entry)
        if step and step[0] not in first:
            first[step[0]] = (entry["time"], step[1])
    load_ms = [ms for _, ms in first.values() if ms >= 0]
    cycle_ms = [1000 * (first[n + 1][0] - first[n][0]) for n in first
                if n + 1 in first and n not in checkpoints]
    return load_ms, cycle_ms


def run_soak(args, platform, names, homes):
    """A working day compressed: signed in at once, the dashboard reloads
    itself up to the last checkpoint, about 80 ms after each load event, a
    new history entry each time. At each checkpoint the page waits (the
    platform holds its request to move on) while PSS is taken on the settled
    page, then the harness lets it go on. Browsers take turns, round by
    round, so load on the machine hits them alike."""
    checkpoints = sorted({int(c) for c in args.soak_checkpoints.split(",")})
    loads = checkpoints[-1]
    hold = ",".join(map(str, checkpoints))
    results = {name: {"pss": {c: [] for c in checkpoints}, "uss": {c: [] for c in checkpoints},
                      "dirty": {c: [] for c in checkpoints}, "load_ms": [], "cycle_ms": [],
                      "parts": {}} for name in names}
    for round_ in range(args.soak_runs):
        for name in names:
            platform.control(f"autosignin=1&sessions=clear&soak={loads}&hold={hold}")
            since = platform.log_size()
            run = Run(name, args.build, platform, "/dashboard", homes[name])
            out = results[name]
            reached, line = 0, []
            for checkpoint in checkpoints if run.seconds is not None else []:
                step = platform.wait_request(
                    lambda e, c=checkpoint: (soak_step(e) or (None,))[0] == c, since,
                    timeout=30 + (checkpoint - reached))
                if not step:
                    line.append(f"{checkpoint}: stopped")
                    break
                pss = run.settle_dirty()
                out["pss"][checkpoint].append(pss)
                out["uss"][checkpoint].append(run.uss)
                out["dirty"][checkpoint].append(run.dirty)
                out["parts"][str(checkpoint)] = run.parts
                platform.control(f"release={checkpoint}")
                reached = checkpoint
                line.append(f"{checkpoint}: {fmt_mib(pss)}")
            load_ms, cycle_ms = soak_timing(platform.entries(since), checkpoints)
            out["load_ms"] += load_ms
            out["cycle_ms"] += cycle_ms
            run.end()
            platform.control("soak=0&autosignin=0")
            timing = (f"  load {statistics.median(load_ms):.0f} ms"
                      f"  cycle {statistics.median(cycle_ms):.0f} ms" if load_ms and cycle_ms else "")
            print(f"  run {round_ + 1} {name:12s} " + "  ".join(line) + timing, flush=True)
    return {name: {"pss": {str(c): summary(v) for c, v in out["pss"].items()},
                   "uss": {str(c): summary(v) for c, v in out["uss"].items()},
                   "dirty": {str(c): summary(v) for c, v in out["dirty"].items()},
                   "load_ms": summary(out["load_ms"]), "cycle_ms": summary(out["cycle_ms"]),
                   "parts_last_run": out["parts"]}
            for name, out in results.items()}


def run_recovery(args, platform, home):
    """Velmora starts while the server drops every connection, so its error
    screen is up; the server comes back at a moment drawn at random from the
    first minute after that. Counted: from the server's return to the
    sign-in page's load event. The quiet checks back off (2, 3, 5, 8, 12,
    20 s apart), so the time depends on where in that schedule the server
    returns; a fixed seed draws the same moments in every run."""
    draw = random.Random(args.recovery_seed)
    seconds = []
    for index in range(args.recovery_runs):
        platform.control("down=1")
        run = Run("velmora", args.build, platform, None, home)
        failed = platform.wait_request(lambda e: e.get("path") == "/login", run.since, 30)
        if not failed:
            print(f"  run {index + 1}: the sign-in page was never asked for", flush=True)
            run.end()
            continue
        time.sleep(draw.uniform(0, 60))
        since = platform.log_size()
        platform.control("down=0")
        back = time.time()
        loaded = platform.wait_loaded("/login", since, timeout=120)
        run.end()
        took = loaded - back if loaded else None
        seconds.append(took)
        print(f"  run {index + 1}: server back {back - failed['time']:.1f} s after the failed "
              f"load, sign-in page " + ("never loaded" if took is None else f"{took:.2f} s later"),
              flush=True)
    platform.control("down=0")
    return summary(seconds)


SAVED = re.compile(r"last copy saved: (\S+), (\d+) bytes in ([0-9.]+) ms")


def run_lastcopy(args, platform, home):
    """Velmora alone on the soak, twice: once with every page answered
    no-store, so nothing is kept, and once with the pages storable, so each
    page that stays on show two seconds (every held checkpoint) is saved as
    its last copy. Velmora's own log says how long each save took, from the
    request to the engine until the whole archive was in memory, and how
    big it was; memory is taken at each checkpoint as in the soak, once the
    copy has been saved."""
    checkpoints = sorted({int(c) for c in args.soak_checkpoints.split(",")})
    loads = checkpoints[-1]
    hold = ",".join(map(str, checkpoints))
    results = {}
    for storable in (0, 1):
        platform.control(f"autosignin=1&sessions=clear&storable={storable}"
                         f"&soak={loads}&hold={hold}")
        since = platform.log_size()
        log = home / f"velmora-storable-{storable}.log"
        run = Run("velmora+G_MESSAGES_DEBUG=Velmora", args.build, platform, "/dashboard", home,
                  output=log)
        pss, dirty, reached = {}, {}, 0
        for checkpoint in checkpoints if run.seconds is not None else []:
            step = platform.wait_request(
                lambda e, c=checkpoint: (soak_step(e) or (None,))[0] == c, since,
                timeout=30 + (checkpoint - reached))
            if not step:
                break
            time.sleep(3)  # the copy is saved two seconds after the load
            pss[str(checkpoint)] = run.settle_dirty()
            dirty[str(checkpoint)] = run.dirty
            platform.control(f"release={checkpoint}")
            reached = checkpoint
        run.end()
        platform.control("soak=0&autosignin=0&storable=0")
        saves = [(int(m.group(2)), float(m.group(3)))
                 for m in SAVED.finditer(log.read_text(errors="replace"))]
        key = "copies" if storable else "no copies"
        results[key] = {"pss": pss, "dirty": dirty, "saves": len(saves),
                        "save_ms": summary([ms for _, ms in saves]),
                        "bytes": summary([size for size, _ in saves])}
        print(f"  {key:9s} " + "  ".join(f"{c}: {fmt_mib(v)} (dirty {fmt_mib(dirty[c])})"
                                         for c, v in pss.items())
              + f"  saves {len(saves)}"
              + (f", median {statistics.median(ms for _, ms in saves):.1f} ms"
                 f" (max {max(ms for _, ms in saves):.1f}),"
                 f" {statistics.median(b for b, _ in saves) / 1024:.0f} KiB" if saves else ""),
              flush=True)
    return results


def run_scripts(args, platform):
    program = args.build / "bench" / "page_scripts_bench"
    if not program.exists():
        print("  page_scripts_bench was not built; skipped")
        return None
    env = dict(os.environ, WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1")
    with tempfile.TemporaryDirectory(prefix="velmora-bench-scripts-") as home:
        env.update(HOME=home, XDG_CACHE_HOME=f"{home}/.cache", XDG_DATA_HOME=f"{home}/.local/share")
        out = subprocess.run([str(program), "--links", "5000", "--runs", str(args.script_runs),
                              "--base", f"{platform.url}/dashboard"],
                             env=env, capture_output=True, text=True, timeout=600)
    if out.returncode != 0:
        print("  page_scripts_bench failed:", out.stderr.strip()[-2000:])
        return None
    result = json.loads(out.stdout.strip().splitlines()[-1])
    print(f"  scripts on {result['links']} links: registered run median "
          f"{result['registered_ms']['median']:.3f} ms (badge {result['badge_ms']['median']:.3f}, "
          f"navigation {result['navigation_ms']['median']:.3f}); repeated in-page "
          f"{result['repeated_ms']['median']:.3f} ms", flush=True)
    return result


def run_core(args):
    program = args.build / "bench" / "core_bench"
    if not program.exists():
        print("  core_bench was not built; skipped")
        return None
    out = subprocess.run([str(program), "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, timeout=600)
    if out.returncode != 0:
        print("  core_bench failed:", out.stderr.strip()[-2000:])
        return None
    report = json.loads(out.stdout)
    results = {}
    for bench in report["benchmarks"]:
        if bench.get("aggregate_name") == "median":
            # CPU time: on a shared machine the wall clock also counts the
            # time other processes held the core.
            results[bench["run_name"]] = {"ns": convert_ns(bench["cpu_time"], bench["time_unit"])}
            print(f"  {bench['run_name']:50s} {results[bench['run_name']]['ns']:10.1f} ns",
                  flush=True)
    return results


def convert_ns(value, unit):
    return value * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]


# ------------------------------------------------------------------ display

class Display:
    """One Xvfb and one D-Bus session for the whole run."""

    def __init__(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1600x1200x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write)
        number = b""
        deadline = time.time() + 20
        while not number.endswith(b"\n") and time.time() < deadline:
            ready, _, _ = select.select([read], [], [], 0.5)
            if ready:
                chunk = os.read(read, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read)
        if not number.strip():
            raise SystemExit("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        out = subprocess.run(["dbus-launch", "--sh-syntax"], capture_output=True, text=True,
                             check=True).stdout
        self.dbus_pid = int(re.search(r"DBUS_SESSION_BUS_PID=(\d+)", out).group(1))
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = re.search(
            r"DBUS_SESSION_BUS_ADDRESS='([^']*)'", out).group(1)

    def close(self):
        try:
            os.kill(self.dbus_pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        self.xvfb.terminate()
        self.xvfb.wait()


# ------------------------------------------------------------------- report

def fmt(value, unit):
    return "   -   " if value is None else f"{value:6.3f} {unit}"


def fmt_mib(kib):
    return "   -   " if kib is None else f"{kib / 1024:6.1f} MiB"


def ratio(a, b):
    if not a or not b:
        return None
    return a["median"] / b["median"]


def report_soak(soak):
    names = list(soak)
    checkpoints = list(soak[names[0]]["pss"])
    print("\nsoak: total PSS after N loads (MiB, median over rounds), time per load (ms):")
    print(f"  {'':12s} " + "".join(f"{c:>9s}" for c in checkpoints) + "     load    cycle")
    for name in names:
        cells = "".join("        -" if not soak[name]["pss"][c] else
                        f"{soak[name]['pss'][c]['median'] / 1024:9.1f}" for c in checkpoints)
        timing = "".join("        -" if not soak[name][key] else f"{soak[name][key]['median']:9.0f}"
                         for key in ("load_ms", "cycle_ms"))
        print(f"  {name:12s} {cells}{timing}")
        for key, title in (("uss", "  USS"), ("dirty", "  dirty")):
            cells = "".join("        -" if not soak[name][key][c] else
                            f"{soak[name][key][c]['median'] / 1024:9.1f}" for c in checkpoints)
            print(f"  {title:12s} {cells}")
    first, last = checkpoints[0], checkpoints[-1]
    lead = soak[names[0]]["pss"]
    r = ratio(lead[last], lead[first])
    print(f"  {names[0]} after {last} / after {first}: {'-' if r is None else f'{r:.3f}'}")
    for key in ("uss", "dirty"):
        r = ratio(soak[names[0]][key][last], soak[names[0]][key][first])
        print(f"  {names[0]} {key} after {last} / after {first}: {'-' if r is None else f'{r:.3f}'}")
    for other in names[1:]:
        r = ratio(lead[last], soak[other]["pss"][last])
        print(f"  {names[0]} / {other} after {last}: {'-' if r is None else f'{r:.3f}'}")
    print("\nsoak: PSS by process in the last round (MiB):")
    for name in names:
        for checkpoint, parts in soak[name]["parts_last_run"].items():
            text = ", ".join(f"{comm} {kib / 1024:.1f}" for comm, kib in
                             sorted(parts.items(), key=lambda p: -p[1]))
            print(f"  {name} after {checkpoint}: {text}")


def report(browsers, idle, scripts, core, soak=None, profile=None, recovery=None):
    print("\n== Results (medians; min..max; ratios of medians from this run) ==")
    if browsers:
        names = list(browsers)
        rows = [("first start in a fresh home, to sign-in load", "first_launch", "s", 1),
                ("launch to sign-in load", "launch", "s", 1),
                ("PSS after sign-in page", "pss_signin", "MiB", 1 / 1024),
                ("USS (unshared) after sign-in page", "uss_signin", "MiB", 1 / 1024),
                ("launch to dashboard load", "launch_dashboard", "s", 1),
                ("PSS after dashboard", "pss_dashboard", "MiB", 1 / 1024)]
        print("\nPSS by process in the last run, sign-in page / dashboard (MiB):")
        for name in names:
            split = browsers[name].get("pss_parts_last_run") or {}
            for page in ("signin", "dashboard"):
                text = ", ".join(f"{comm} {kib / 1024:.1f}" for comm, kib in
                                 sorted((split.get(page) or {}).items(), key=lambda p: -p[1]))
                print(f"  {name} {page}: {text}")
        for title, key, unit, scale in rows:
            print(f"\n{title}:")
            for name in names:
                s = browsers[name][key]
                if not s:
                    print(f"  {name:12s} -")
                    continue
                print(f"  {name:12s} {s['median'] * scale:8.3f} {unit}   "
                      f"({s['min'] * scale:.3f}..{s['max'] * scale:.3f}, n={s['n']})")
            if names[0].startswith("velmora"):
                for other in names[1:]:
                    r = ratio(browsers[names[0]][key], browsers[other][key])
                    print(f"  {names[0]} / {other:12s} {'-' if r is None else f'{r:.3f}'}")
    if soak:
        report_soak(soak)
    if profile:
        report_profile(profile)
    if idle:
        print("\nidle CPU on the dashboard:")
        for name, value in idle.items():
            print(f"  {name:12s} " + ("-" if value is None else
                  f"{value['percent']:.3f} % of a core ({value['percent_min']:.3f}.."
                  f"{value['percent_max']:.3f}, n={value['n']}; median {value['cpu_seconds']:.4f} s "
                  f"over {value['seconds']} s)"))
            if value:
                print(f"  {'':12s} last run by process: " + ", ".join(
                    f"{label} {seconds * 1000:.1f} ms" for label, seconds in
                    sorted(value["seconds_by_process_last_run"].items(), key=lambda p: -p[1])))
    if recovery:
        print(f"\nrecovery, server back -> sign-in page: {recovery['median']:.2f} s "
              f"({recovery['min']:.2f}..{recovery['max']:.2f}, n={recovery['n']})")
    if scripts:
        print(f"\npage scripts on {scripts['links']} links (ms): "
              f"registered both {scripts['registered_ms']['median']:.3f}, badge "
              f"{scripts['badge_ms']['median']:.3f}, navigation "
              f"{scripts['navigation_ms']['median']:.3f}, repeated in-page both "
              f"{scripts['repeated_ms']['median']:.3f}; timer resolution "
              f"{scripts['resolution_ms']:.3f}")
    if core:
        print("\ncore (median CPU ns per iteration):")
        for name, value in core.items():
            print(f"  {name:50s} {value['ns']:10.1f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, default=ROOT / "build")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--warmup", type=int, default=1)
    parser.add_argument("--idle-seconds", type=int, default=60)
    parser.add_argument("--idle-runs", type=int, default=3)
    parser.add_argument("--script-runs", type=int, default=40)
    parser.add_argument("--browsers", default="velmora,minibrowser,chromium")
    parser.add_argument("--cases", default="launch,profile,idle,soak,recovery,lastcopy,scripts,core",
                        help="launch (with memory), profile, idle, soak, recovery, lastcopy, "
                             "scripts, core")
    parser.add_argument("--soak-checkpoints", default="2,50,100,400",
                        help="loads after which the soak takes PSS; the last ends it")
    parser.add_argument("--soak-runs", type=int, default=1)
    parser.add_argument("--idle-browsers", default=None,
                        help="browsers for the idle case (default: all of --browsers)")
    parser.add_argument("--recovery-runs", type=int, default=7)
    parser.add_argument("--recovery-seed", type=int, default=14)
    parser.add_argument("--json", type=Path, help="also write the results here")
    args = parser.parse_args()
    args.build = args.build.resolve()
    cases = set(args.cases.split(","))
    names = [n for n in args.browsers.split(",") if n]

    print(f"machine: {machine()}")
    print(f"date: {time.strftime('%Y-%m-%d %H:%M:%S %Z')}")
    print(f"load average at start: {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f}", flush=True)
    def interrupted(*_):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, interrupted)
    workdir = Path(tempfile.mkdtemp(prefix="velmora-bench-"))
    display = Display()
    platform = None
    results = {}
    try:
        platform = Platform(args.build, workdir)
        homes = {}
        for index, name in enumerate(dict.fromkeys(names + (args.idle_browsers or "").split(","))):
            if name:
                homes[name] = workdir / f"home-{index}"
                homes[name].mkdir()
        if "launch" in cases:
            print("launch and memory:", flush=True)
            results["browsers"] = run_browsers(args, platform, names, homes)
        if "idle" in cases:
            print("idle:", flush=True)
            idle_names = args.idle_browsers.split(",") if args.idle_browsers else names
            results["idle"] = run_idle(args, platform, idle_names, homes)
        if "profile" in cases:
            print("launch profile:", flush=True)
            results["profile"] = run_profile(args, platform, names, homes)
        if "soak" in cases:
            print("soak:", flush=True)
            results["soak"] = run_soak(args, platform, names, homes)
        if "recovery" in cases:
            print("recovery:", flush=True)
            home = workdir / "home-recovery"
            home.mkdir()
            results["recovery"] = run_recovery(args, platform, home)
        if "lastcopy" in cases:
            print("last copies on the soak:", flush=True)
            home = workdir / "home-lastcopy"
            home.mkdir()
            results["lastcopy"] = run_lastcopy(args, platform, home)
        if "scripts" in cases:
            print("page scripts:", flush=True)
            results["scripts"] = run_scripts(args, platform)
        if "core" in cases:
            print("core:", flush=True)
            results["core"] = run_core(args)
    finally:
        for run in list(LIVE):
            run.end()
        if platform:
            platform.stop()
        display.close()
        shutil.rmtree(workdir, ignore_errors=True)
    print(f"load average at end: {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f}")
    report(results.get("browsers"), results.get("idle"), results.get("scripts"),
           results.get("core"), results.get("soak"), results.get("profile"),
           results.get("recovery"))
    if args.json:
        args.json.write_text(json.dumps(results, indent=2))


def machine():
    model = "unknown CPU"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    memory = Path("/proc/meminfo").read_text().splitlines()[0].split()[1]
    return f"{model}, {os.cpu_count()} cores, {int(memory) // 1024} MiB RAM, " \
           f"kernel {os.uname().release}"


if __name__ == "__main__":
    main()
