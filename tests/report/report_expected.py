"""Checks a report's statistics, read from its PDF by pdftotext, against the archive tables
read independently with dbfread.

usage: report_expected.py TEXT FOLDER NAME_PART FROM TO
FROM and TO are DD.MM.YYYY HH:MM:SS or empty for an open end. Prints every difference and
exits 1 when there is one."""

import datetime
import glob
import os
import re
import sys

import dbfread

NO_LINK = 200000
MAX_MEASUREMENT = 99999


def moment(text):
    return datetime.datetime.strptime(text, "%d.%m.%Y %H:%M:%S")


def wall(at):
    return at.strftime("%d.%m.%Y %H:%M:%S")


def number(value):
    text = ("%.4f" % round(value, 4)).rstrip("0").rstrip(".")
    return ("0" if text == "-0" else text).replace(".", ",")


def duration(seconds):
    return "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def kind(value):
    if value <= MAX_MEASUREMENT:
        return "measured"
    return "nolink" if value >= NO_LINK else "break"


def records(folder, name_part, first, last):
    found = []
    for path in sorted(glob.glob(os.path.join(folder, name_part + "_*.dbf"))):
        for record in dbfread.DBF(path, encoding="cp1251"):
            at = moment(record["DATA"].strip() + " " + record["TIME"].strip())
            if (first is None or at >= first) and (last is None or at <= last):
                found.append((at, float(record["ZNAC"])))
    found.sort(key=lambda r: r[0])  # stable: stored order for equal moments
    return found


def expected_lines(found):
    measured = [(at, v) for at, v in found if kind(v) == "measured"]
    stretches = {"nolink": [0, 0], "break": [0, 0]}
    run, start = "measured", None
    for at, value in found:
        k = kind(value)
        if k == run:
            continue
        if run != "measured":
            stretches[run][0] += int((at - start).total_seconds())
            stretches[run][1] += 1
        run, start = k, at
    if run != "measured":
        stretches[run][0] += int((found[-1][0] - start).total_seconds())
        stretches[run][1] += 1

    lines = {"Записей": str(len(found))}
    if measured:
        low = min(measured, key=lambda r: r[1])  # the first of equal values
        high = max(measured, key=lambda r: r[1])
        lines["Минимум"] = "%s (%s)" % (number(low[1]), wall(low[0]))
        lines["Максимум"] = "%s (%s)" % (number(high[1]), wall(high[0]))
    else:
        lines["Минимум"] = lines["Максимум"] = lines["Среднее"] = "нет измерений"
    for label, key in (("Без связи", "nolink"), ("Обрыв датчика", "break")):
        seconds, count = stretches[key]
        lines[label] = "%s, участков: %d" % (duration(seconds), count)
    mean = sum(v for _, v in measured) / len(measured) if measured else None
    return lines, mean


def main():
    text_path, folder, name_part, first, last = sys.argv[1:6]
    with open(text_path, encoding="utf-8") as f:
        text = f.read()
    shown = {}
    for line in text.splitlines():
        match = re.match(r"^\s*([^:]+): (.*?)\s*$", line)
        if match and match.group(1) not in shown:
            shown[match.group(1)] = match.group(2)

    found = records(folder, name_part, moment(first) if first else None,
                    moment(last) if last else None)
    lines, mean = expected_lines(found)
    problems = []
    for label, value in lines.items():
        if shown.get(label) != value:
            problems.append("%s: report %r, tables %r" % (label, shown.get(label), value))
    if mean is not None:
        written = shown.get("Среднее", "")
        try:
            if abs(float(written.replace(",", ".")) - mean) > 0.00015:
                problems.append("Среднее: report %r, tables %r" % (written, mean))
        except ValueError:
            problems.append("Среднее: report %r, tables %r" % (written, mean))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
