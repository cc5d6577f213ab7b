# Sourced by the whole-program benchmarks. make_corpora DIR QUICK makes the corpora in DIR,
# keeping files made before, and lists the ones to run in the array corpus_files: real
# source code from /usr/include, a tab-separated table and one long line of minified JSON,
# or with QUICK=1 small ones for a smoke run. print_figures FILE OURS THEIRS prints one row per figure and our ratio to theirs.

# make_source BYTES OUT: system headers that are valid UTF-8, whole and in a fixed order,
# repeated if need be, cut at the last line break within BYTES.
make_source() {
    [ -e "$2" ] && return
    python3 - "$1" "$2" <<'PY'
import os, sys
limit, out = int(sys.argv[1]), sys.argv[2]
names = sorted(os.path.join(d, f) for d, _, fs in os.walk("/usr/include") for f in fs)
parts, size = [], 0
while size < limit:
    for name in names:
        try:
            data = open(name, "rb").read()
            data.decode("utf-8")
        except (OSError, UnicodeDecodeError):
            continue
        parts.append(data)
        size += len(data)
        if size >= limit:
            break
text = b"".join(parts)[:limit]
open(out, "wb").write(text[: text.rfind(b"\n") + 1])
PY
}

# make_table BYTES OUT: rows of eight tab-separated columns of words and numbers.
make_table() {
    [ -e "$2" ] && return
    python3 - "$1" "$2" <<'PY'
import random, sys
limit, out = int(sys.argv[1]), sys.argv[2]
rng = random.Random(10)
words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu".split()
rows, size, n = [], 0, 0
while size < limit:
    n += 1
    cells = [str(n), rng.choice(words), " ".join(rng.choices(words, k=rng.randint(1, 4))),
             "%.2f" % rng.uniform(0, 10000), str(rng.randint(0, 10**6)), rng.choice(words).upper(),
             "%04d-%02d-%02d" % (rng.randint(1990, 2030), rng.randint(1, 12), rng.randint(1, 28)),
             rng.choice(words) * rng.randint(1, 3)]
    row = "\t".join(cells) + "\n"
    rows.append(row)
    size += len(row)
open(out, "w").write("".join(rows)[:limit].rsplit("\n", 1)[0] + "\n")
PY
}

# make_long_line BYTES OUT: minified JSON of made-up records, one line of at least BYTES
# without a tab or a line break, as a web service or a bundler writes it.
make_long_line() {
    [ -e "$2" ] && return
    python3 - "$1" "$2" <<'PY'
import json, random, sys
limit, out = int(sys.argv[1]), sys.argv[2]
rng = random.Random(19)
words = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu".split()
records, size = [], 2
while size < limit:
    record = {"id": len(records), "name": " ".join(rng.choices(words, k=rng.randint(1, 3))),
              "score": round(rng.uniform(0, 1000), 3), "active": rng.random() < 0.5,
              "tags": rng.sample(words, rng.randint(0, 4)),
              "point": {"x": rng.randint(-999, 999), "y": rng.randint(-999, 999)}}
    records.append(record)
    size += len(json.dumps(record, separators=(",", ":"))) + 1
open(out, "w").write(json.dumps(records, separators=(",", ":")))
PY
}

make_corpora() {
    local corpora=$1 quick=$2 mib=$((1024 * 1024))
    mkdir -p "$corpora"
    if [ "$quick" = 1 ]; then
        make_source $((1 * mib)) "$corpora/source-1MB.txt"
        head -n 1000 "$corpora/source-1MB.txt" >"$corpora/source-1000-lines.txt"
        make_long_line $((mib / 4)) "$corpora/line-256KB.json"
        corpus_files=(source-1000-lines.txt line-256KB.json source-1MB.txt)
    else
        make_source $((100 * mib)) "$corpora/source-100MB.txt"
        head -c $((10 * mib)) "$corpora/source-100MB.txt" | sed '$d' >"$corpora/source-10MB.txt"
        head -n 1000 "$corpora/source-100MB.txt" >"$corpora/source-1000-lines.txt"
        make_table $((10 * mib)) "$corpora/table-10MB.tsv"
        make_long_line $((66 * mib / 10)) "$corpora/line-6.6MB.json"
        corpus_files=(source-1000-lines.txt source-10MB.txt table-10MB.tsv line-6.6MB.json
            source-100MB.txt)
    fi
}

# OURS and THEIRS are "figure value" lines; THEIRS may be empty, or lack a figure, which
# leaves its columns out.
print_figures() {
    awk -v file="$1" 'FILENAME == ARGV[1] { peer[$1] = $2; seen = 1; next }
        !seen || !($1 in peer) { printf "%-22s %-18s %12.3f\n", file, $1, $2; next }
        { printf "%-22s %-18s %12.3f %12.3f %8.3f\n", file, $1, $2, peer[$1],
                 peer[$1] == 0 ? 0 : $2 / peer[$1] }' <(echo -n "$3") <(echo "$2")
}
