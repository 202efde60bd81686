"""Exports generated recordings with keldra-tool and reads them back with MNE-Python and h5py.

The values expected come from keldra-tool read on the same measurement file (the viewer's own
reader); the exported files are read only by the outside libraries.
usage: mne_roundtrip.py KELDRA_TOOL KELDRA_GEN
"""
import datetime
import json
import os
import re
import subprocess
import sys
import tempfile
import warnings

import h5py
import mne
import numpy as np

TOOL, GEN = sys.argv[1], sys.argv[2]
mne.set_log_level("ERROR")
warnings.simplefilter("ignore")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def run(args):
    return subprocess.run(args, capture_output=True, text=True, check=False)


def read_reference(path):
    """The measurements keldra-tool read enters: [(header, [samples])]."""
    out = run([TOOL, "read", path])
    assert out.returncode == 0, out.stderr
    measurements = []
    for line in out.stdout.splitlines():
        obj = json.loads(line)
        if "entered" in obj:
            measurements.append((obj["entered"], []))
        elif "Seq" in obj:
            measurements[-1][1].append(obj)
    return measurements


def start_of(header):
    return datetime.datetime.strptime(header["Log_start"][:19], "%Y-%m-%d %H:%M:%S").replace(
        tzinfo=datetime.timezone.utc)


def positions(n):
    """First, last and about forty between."""
    return sorted(set([0, n - 1] + list(range(0, n, max(1, n // 40)))))


SERIES = [("OXHb", lambda s: s["Nirs"][0]), ("DXHb", lambda s: s["Nirs"][1]),
          ("TOHb", lambda s: s["Nirs"][2]), ("StO2", lambda s: s["Nirs"][3] * 100),
          ("AccX", lambda s: s["Acc"][0]), ("AccY", lambda s: s["Acc"][1]),
          ("AccZ", lambda s: s["Acc"][2]), ("GyrX", lambda s: s["Gyr"][0]),
          ("GyrY", lambda s: s["Gyr"][1]), ("GyrZ", lambda s: s["Gyr"][2]),
          ("Batt", lambda s: s["Batt"])]
SHORT = ["TOHb", "StO2", "Batt"]


def sample_lines(path):
    with open(path, "rb") as f:
        return sum(1 for _ in f) - 5


def check_snirf(name, path, reference, csv):
    raw = mne.io.read_raw_snirf(path, preload=True)
    two = len(reference) == 2
    names = []
    for c in range(len(reference)):
        names += [f"S{c + 1}_D{c + 1} hbo", f"S{c + 1}_D{c + 1} hbr"]
    check(raw.ch_names == names, f"{name}: SNIRF channel names {raw.ch_names}")
    check(raw.get_channel_types() == ["hbo", "hbr"] * len(reference),
          f"{name}: SNIRF channel types {raw.get_channel_types()}")
    header, samples = reference[0]
    n = len(samples)
    check(raw.n_times == n, f"{name}: SNIRF {raw.n_times} samples, read {n}")
    check(abs(raw.info["sfreq"] - 1000.0 / header["Log_Rate"]) < 1e-9,
          f"{name}: SNIRF rate {raw.info['sfreq']}")
    check(raw.info["meas_date"] == start_of(header),
          f"{name}: SNIRF date {raw.info['meas_date']} vs {header['Log_start']}")
    data = raw.get_data()
    for c, (_, chs) in enumerate(reference):
        for i in positions(n):
            for k in range(2):
                want = chs[i]["Nirs"][k] / 1000.0
                got = data[2 * c + k, i]
                # The file's decimal number in mM, divided by 1000: exactly, as a double.
                check(got == want,
                      f"{name}: SNIRF ch{c + 1} {names[2 * c + k]}[{i}] {got} != {want}")
    # Event marks as annotations at their samples.
    for c, (h, _) in enumerate(reference):
        label = "Event" + (f" CH{c + 1}" if two else "")
        want = sorted(e * h["Log_Rate"] / 1000.0 for e in set(h["events"]))
        got = sorted(a["onset"] for a in raw.annotations if a["description"] == label)
        check(np.allclose(got, want) and len(want) > 0, f"{name}: SNIRF {label} at {got}, marks {want}")

    with h5py.File(path, "r") as f:
        def string(ds, what):
            ok = isinstance(ds, h5py.Dataset) and ds.dtype.kind in "OS" and ds.shape == ()
            check(ok, f"{name}: {what} is a scalar string")
            return ds[()].decode() if ok else ""

        def integer(ds, what):
            ok = isinstance(ds, h5py.Dataset) and ds.dtype.kind == "i" and ds.shape == ()
            check(ok, f"{name}: {what} is a scalar integer")
            return int(ds[()]) if ok else None

        def numeric(ds, what, ndim):
            ok = isinstance(ds, h5py.Dataset) and ds.dtype.kind == "f" and ds.ndim == ndim
            check(ok, f"{name}: {what} is a {ndim}-D numeric array")
            return ds[()] if ok else np.zeros((0,) * ndim)

        check(string(f["formatVersion"], "formatVersion") == "1.1", f"{name}: formatVersion")
        nirs = f["nirs"]
        tags = nirs["metaDataTags"]
        for key in ["SubjectID", "MeasurementDate", "MeasurementTime", "LengthUnit", "TimeUnit",
                    "FrequencyUnit"]:
            check(key in tags, f"{name}: metaDataTags/{key} present")
        check(string(tags["SubjectID"], "SubjectID") ==
              ",".join(h["Log_Device"][6:] for h, _ in reference), f"{name}: SubjectID")
        check(re.fullmatch(r"\d{4}-\d\d-\d\d", string(tags["MeasurementDate"], "date")) is not None,
              f"{name}: MeasurementDate form")
        check(re.fullmatch(r"\d\d:\d\d:\d\d", string(tags["MeasurementTime"], "time")) is not None,
              f"{name}: MeasurementTime form")
        check(string(tags["TimeUnit"], "TimeUnit") == "s", f"{name}: TimeUnit")
        check(string(tags["LengthUnit"], "LengthUnit") == "mm", f"{name}: LengthUnit")
        check(string(tags["FrequencyUnit"], "FrequencyUnit") == "Hz", f"{name}: FrequencyUnit")
        blocks = {"data1": ["HbO", "HbR"], "data2": ["HbT", "StO2"]}
        for block, labels in blocks.items():
            d = nirs[block]
            series = numeric(d["dataTimeSeries"], f"{block}/dataTimeSeries", 2)
            t = numeric(d["time"], f"{block}/time", 1)
            check(series.shape == (n, 2 * len(reference)), f"{name}: {block} shape {series.shape}")
            check(np.allclose(t, np.arange(n) * header["Log_Rate"] / 1000.0), f"{name}: {block}/time")
            for k in range(2 * len(reference)):
                ml = d[f"measurementList{k + 1}"]
                for key in ["sourceIndex", "detectorIndex", "wavelengthIndex", "dataType",
                            "dataTypeIndex"]:
                    integer(ml[key], f"{block}/measurementList{k + 1}/{key}")
                check(int(ml["dataType"][()]) == 99999, f"{name}: dataType 99999")
                check(int(ml["sourceIndex"][()]) == k // 2 + 1, f"{name}: sourceIndex")
                check(string(ml["dataTypeLabel"], "dataTypeLabel") == labels[k % 2],
                      f"{name}: {block} label {k + 1}")
            for c, (_, chs) in enumerate(reference):
                for i in positions(n):
                    if block == "data2":
                        want = [chs[i]["Nirs"][2] / 1000.0, chs[i]["Nirs"][3] * 100]
                        got = series[i, 2 * c:2 * c + 2]
                        check(list(got) == want,
                              f"{name}: {block}[{i}] {got} != {want}")
        probe = nirs["probe"]
        check(numeric(probe["wavelengths"], "probe/wavelengths", 1).shape == (2,), f"{name}: wavelengths")
        for key in ["sourcePos3D", "detectorPos3D"]:
            check(numeric(probe[key], f"probe/{key}", 2).shape == (len(reference), 3), f"{name}: {key}")
        aux = {string(nirs[k]["name"], f"{k}/name"): nirs[k] for k in nirs if k.startswith("aux")}
        for c, (_, chs) in enumerate(reference):
            for label, value in SERIES[4:]:
                key = (f"CH{c + 1} " if two else "") + label
                check(key in aux, f"{name}: aux {key}")
                if key not in aux:
                    continue
                series = numeric(aux[key]["dataTimeSeries"], f"aux {key}", 2)
                numeric(aux[key]["time"], f"aux {key}/time", 1)
                check(string(aux[key]["dataUnit"], "aux unit") in ("G", "deg/s", "V"), f"{name}: aux unit")
                for i in positions(n) if label != "Batt" else []:
                    check(abs(series[i, 0] - value(chs[i])) <= 1e-6 * max(1, abs(value(chs[i]))),
                          f"{name}: aux {key}[{i}]")
        stims = {string(nirs[k]["name"], f"{k}/name"): numeric(nirs[k]["data"], f"{k}/data", 2)
                 for k in nirs if k.startswith("stim")}
        for rows in stims.values():
            check(rows.shape[1] == 3, f"{name}: stim data has 3 columns")
        # Every sample the reader added for a skipped TIME is marked, and no other.
        for c, (h, chs) in enumerate(reference):
            suffix = f" CH{c + 1}" if two else ""
            filled = stims.get("BAD_filled" + suffix, np.zeros((0, 3)))
            repeated = stims.get("BAD_repeated" + suffix, np.zeros((0, 3)))
            step = h["Log_Rate"] / 1000.0
            # A repeat keeps the time of the sample it copies (a filled-in sample copying a
            # repeat carries the flag too, at its own time).
            n_repeated = sum(1 for a, b in zip(chs, chs[1:])
                             if b["Status"] & 0x8000 and b["Time_ms"] == a["Time_ms"])
            check(round(repeated[:, 1].sum() / step) == n_repeated,
                  f"{name}: repeated {repeated[:, 1].sum() / step} vs {n_repeated}")
            check(round(filled[:, 1].sum() / step) == n - sample_lines(csv),
                  f"{name}: filled {filled[:, 1].sum() / step} vs {n - sample_lines(csv)}")


def edf_header(path):
    with open(path, "rb") as f:
        head = f.read(256)
        ns = int(head[252:256])
        rest = f.read(256 * ns)
    def field(offset, width):
        return [rest[offset + i * width:offset + (i + 1) * width].decode().strip() for i in range(ns)]
    o = 0
    out = {}
    for key, width in [("label", 16), ("transducer", 80), ("unit", 8), ("pmin", 8), ("pmax", 8),
                       ("dmin", 8), ("dmax", 8)]:
        out[key] = field(o, width)
        o += width * ns
    out["reserved"] = head[192:236].decode().strip()
    return out


def check_edf(name, path, reference, csv):
    raw = mne.io.read_raw_edf(path, preload=True)
    two = len(reference) == 2
    header, samples = reference[0]
    n = len(samples)
    series = SERIES if header["Rev2"] else [s for s in SERIES if s[0] in SHORT]
    names = [(f"CH{c + 1} " if two else "") + label for c in range(len(reference)) for label, _ in series]
    check(raw.ch_names == names, f"{name}: EDF channel names {raw.ch_names}")
    check(raw.n_times == n, f"{name}: EDF {raw.n_times} samples, read {n}")
    check(raw.info["meas_date"] == start_of(header),
          f"{name}: EDF date {raw.info['meas_date']} vs {header['Log_start']}")
    h = edf_header(path)
    check(h["reserved"] == "EDF+C", f"{name}: EDF+C")
    units = {"OXHb": "mM", "DXHb": "mM", "TOHb": "mM", "StO2": "%", "Batt": "V"}
    data = raw.get_data()
    for j, ch in enumerate(names):
        label = ch.split(" ")[-1]
        check(h["unit"][j] == units.get(label, "G" if label.startswith("Acc") else "deg/s"),
              f"{name}: EDF unit of {ch} {h['unit'][j]}")
        step = (float(h["pmax"][j]) - float(h["pmin"][j])) / (int(h["dmax"][j]) - int(h["dmin"][j]))
        value = dict(series)[label]
        chs = reference[j // len(series)][1]
        if label == "Batt":
            continue  # keldra-tool read does not print the battery; the Qt test checks it
        for i in positions(n):
            want = value(chs[i])
            check(abs(data[j, i] - want) <= step * 1.0001,
                  f"{name}: EDF {ch}[{i}] {data[j, i]} != {want} (step {step})")
    for c, (hd, chs) in enumerate(reference):
        label = "Event" + (f" CH{c + 1}" if two else "")
        want = sorted(e * hd["Log_Rate"] / 1000.0 for e in set(hd["events"]))
        got = sorted(a["onset"] for a in raw.annotations if a["description"] == label)
        check(np.allclose(got, want) and len(want) > 0, f"{name}: EDF {label} at {got}, marks {want}")
        step = hd["Log_Rate"] / 1000.0
        filled = sum(a["duration"] for a in raw.annotations
                     if a["description"] == "BAD_filled" + (f" CH{c + 1}" if two else ""))
        check(round(filled / step) == n - sample_lines(csv), f"{name}: EDF filled {filled / step}")


CASES = [
    ("standard", ["--samples", "3000", "--rate", "100", "--events", "6", "--errors", "3",
                  "--gaps", "2", "--bad-lines", "2", "--seed", "5"], True),
    ("two", ["--form", "two", "--samples", "900", "--rate", "1000", "--events", "5",
             "--gaps", "1", "--seed", "3"], True),
    ("short", ["--form", "short", "--samples", "700", "--rate", "200", "--events", "2",
               "--seed", "9"], False),
]

with tempfile.TemporaryDirectory() as work:
    for name, options, snirf in CASES:
        csv = os.path.join(work, name + ".csv")
        out = run([GEN] + options + ["-o", csv])
        assert out.returncode == 0, out.stderr
        reference = read_reference(csv)
        formats = ["edf"] + (["snirf"] if snirf else [])
        for fmt in formats:
            target = os.path.join(work, f"{name}.{fmt}")
            out = run([TOOL, "export", "--format", fmt, csv, target])
            check(out.returncode == 0, f"{name}: export {fmt} exit {out.returncode} {out.stderr}")
            if out.returncode != 0:
                continue
            (check_snirf if fmt == "snirf" else check_edf)(name, target, reference, csv)

print(f"{len(failures)} failure(s)")
sys.exit(1 if failures else 0)
