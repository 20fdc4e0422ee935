#!/usr/bin/env bash
# Mutation testing, run by hand (not in CI): plants each fault of the list in
# a copy of the checkout, one at a time, and runs the test suite against it.
# A fault that no test notices "survives"; a list entry that no longer
# matches its file "does not apply"; one that does not build is "stillborn".
#
#   scripts/mutants.sh [LIST] [ID...]     (LIST defaults to scripts/mutants.txt)
#
# The copy is the tracked files as they are in the working tree, in
# ${TMPDIR:-/tmp}/tarnwick-mutants/tree, made afresh each run. Time on two
# cores: about 7 minutes for the copy's full build and clean suite run, then
# 1-4 minutes per mutant (an incremental build, the suite up to its first
# failure): about 75 minutes for the 46 of the list. All under nice -n 19.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
list=$top/scripts/mutants.txt
if [ $# -gt 0 ] && [ -f "$1" ]; then list=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); shift; fi
work=${TMPDIR:-/tmp}/tarnwick-mutants
tree=$work/tree
result=$work/result.txt
mkdir -p "$work"

# The list: blocks separated by lines "---"; each has "id:", "file:" and
# "what:" lines, then the original text between lines "<<<" and "===" and
# its replacement between "===" and ">>>".
cat >"$work/mutate.py" <<'EOF'
import sys
def parse(path):
    out = []
    for block in open(path).read().split("\n---\n"):
        lines, i, m = block.split("\n"), 0, {}
        while i < len(lines) and lines[i] != "<<<":
            key, _, value = lines[i].partition(":")
            if key in ("id", "file", "what"): m[key] = value.strip()
            i += 1
        if "id" not in m: continue
        sep, end = lines.index("===", i), lines.index(">>>", i)
        m["old"], m["new"] = "\n".join(lines[i + 1:sep]), "\n".join(lines[sep + 1:end])
        out.append(m)
    return out
cmd, path = sys.argv[1], sys.argv[2]
muts = parse(path)
if cmd == "ids":
    print("\n".join(m["id"] for m in muts))
else:  # apply ID TREE KEEP: keeps the file as it was in KEEP, prints its name; exit 2: does not apply
    m = [m for m in muts if m["id"] == sys.argv[3]]
    if len(m) != 1: sys.exit(2)
    m = m[0]
    f = sys.argv[4] + "/" + m["file"]
    try: text = open(f, newline="").read()
    except OSError: sys.exit(2)
    if text.count(m["old"]) != 1 or m["old"] == m["new"]: sys.exit(2)
    open(sys.argv[5], "w", newline="").write(text)
    open(f, "w", newline="").write(text.replace(m["old"], m["new"]))
    print(m["file"])
EOF

if [ $# -gt 0 ]; then ids=("$@"); else mapfile -t ids < <(python3 "$work/mutate.py" ids "$list"); fi
[ ${#ids[@]} -gt 0 ] || { echo "no mutants in $list" >&2; exit 1; }

# A fresh copy of the tracked files (those deleted in the working tree left out).
rm -rf "$tree"
mkdir -p "$tree"
(cd "$top" && git ls-files -z | while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
  xargs -0 cp -P --parents -t "$tree")

build() { nice -n 19 bash "$tree/scripts/build.sh" >"$work/build.log" 2>&1; }
suite() {  # prints the first failing test's name, nothing when all pass
  (cd "$tree/build/native" && nice -n 19 ctest -j 2 --stop-on-failure --timeout 600 >"$work/ctest.log" 2>&1) && return
  local name
  name=$(grep -m1 -E 'Test +#[0-9]+: .*\*\*\*' "$work/ctest.log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/')
  echo "${name:-unknown}"
}

echo "building the copy in $tree"
build || { echo "the unchanged copy does not build: see $work/build.log" >&2; exit 1; }
failed=$(suite)
[ -z "$failed" ] || { echo "the unchanged copy fails $failed: see $work/ctest.log" >&2; exit 1; }
cp "$work/ctest.log" "$work/ctest-clean.log"

: >"$result"
killed=0 survived=0 noapply=0 stillborn=0
say() { echo "$*" | tee -a "$result"; }
for id in "${ids[@]}"; do
  if ! file=$(python3 "$work/mutate.py" apply "$list" "$id" "$tree" "$work/pristine"); then
    say "$id does not apply"; noapply=$((noapply + 1)); continue
  fi
  if ! build; then
    say "$id STILLBORN ($file): see $work/build-$id.log"; cp "$work/build.log" "$work/build-$id.log"
    stillborn=$((stillborn + 1))
  else
    failed=$(suite)
    if [ -n "$failed" ]; then say "$id KILLED $failed"; killed=$((killed + 1))
    else say "$id SURVIVED"; survived=$((survived + 1)); fi
  fi
  cp "$work/pristine" "$tree/$file"
done
# The copy is left as it was built last; the next run starts afresh anyway.
say "mutants: $killed killed, $survived survived, $noapply did not apply$([ $stillborn -eq 0 ] || echo ", $stillborn stillborn")"
