#!/usr/bin/env bash
# Checks that the code's #include lines only reach down the layers (or
# within a layer), prints the layer graph, and fails on any include that
# reaches up. Tests and tools stand above everything and are not checked.
#
#   scripts/check-layers.sh          # the graph, then the verdict
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Bottom to top: a layer's name, then the folders it holds.
layers=(
  "base framework/base resources codec"
  "graphics graphics"
  "framework framework/window framework/app framework/frame framework/layout framework/dialogs"
  "bars gadgets controls"
  "program app"
)

# One pass over every include line of our sources: awk finds each file's
# layer by its folder, reports includes that reach up, and prints the graph
# (each list sorted, so that the output is stable).
folders=$(printf '%s\n' "${layers[@]}" | cut -d' ' -f2- | tr ' ' '\n')
# shellcheck disable=SC2086  # the folder list splits into words on purpose
find $folders \( -name '*.h' -o -name '*.cpp' -o -name '*.rh' \) -print0 |
  xargs -0 grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
  awk -v table="$(printf '%s\n' "${layers[@]}")" '
    BEGIN {
      count = split(table, rows, "\n")
      for (i = 1; i <= count; i++) {
        if (rows[i] == "") continue
        n = split(rows[i], words, " ")
        name[i - 1] = words[1]
        for (w = 2; w <= n; w++) { folder[words[w]] = i - 1; folders[i - 1] = folders[i - 1] " " words[w] }
        top = i - 1
      }
    }
    function layer(path,   f) {
      for (f in folder) if (index(path, f "/") == 1) return folder[f]
      return -1
    }
    function sorted(from,   n, i, j, x, list, items) {
      n = count_of[from]
      for (i = 1; i <= n; i++) items[i] = used[from, i]
      for (i = 2; i <= n; i++)
        for (j = i; j > 1 && items[j - 1] > items[j]; j--) { x = items[j]; items[j] = items[j - 1]; items[j - 1] = x }
      for (i = 1; i <= n; i++) list = list (i > 1 ? " " : "") items[i]
      return list
    }
    function part(path,   bits) {
      split(path, bits, "/")
      return bits[1] == "framework" ? bits[1] "/" bits[2] : bits[1]
    }
    {
      file = substr($0, 1, index($0, ":") - 1)
      target = $0; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
      from = layer(file); to = layer(target)
      if (from < 0 || to < 0) next
      if (to > from) {
        printf "layer violation: %s (%s) includes %s (%s)\n", file, name[from], target, name[to] > "/dev/stderr"
        bad++
      }
      if (part(file) != part(target) && !((part(file), part(target)) in seen)) {
        seen[part(file), part(target)] = 1
        count_of[part(file)]++
        used[part(file), count_of[part(file)]] = part(target)
      }
    }
    END {
      print "Layers, bottom to top (each part with the parts it includes):"
      for (i = 0; i <= top; i++) {
        printf "  %d %s\n", i, name[i]
        n = split(folders[i], fs, " ")
        for (k = 1; k <= n; k++) {
          list = sorted(fs[k])
          printf "      %-20s -> %s\n", fs[k], list == "" ? "(nothing of ours)" : list
        }
      }
      if (bad) { printf "check-layers: %d include(s) reach up a layer\n", bad > "/dev/stderr"; exit 1 }
      print "check-layers: no include reaches up a layer"
    }'
