#!/usr/bin/env bash
# Checks that the code's #include lines only reach down the layers (or
# within a layer), prints the layer graph, and fails on any include that
# reaches up. Tests and tools stand above everything and are not checked.
#
# Inside the program (app/), the same holds for its folders: the movie device
# and the cuts know nothing of the frame that holds them, which gives them what
# they need through an interface of their own.
#
#   scripts/check-layers.sh          # the graphs, then the verdict
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Bottom to top: a layer's name, then the folders it holds.
layers=(
  "base framework/base resources channel codec avi"
  "graphics graphics"
  "framework framework/window framework/app framework/frame framework/layout framework/dialogs"
  "bars gadgets controls"
  "program app"
)

# awk functions both checks share: reading a table of levels, sorting a list
# of words, and taking an include line (grep -H) apart.
shared_awk='
  # Each row of table: a level name, then its members. Fills name[level],
  # level_of_member[member] and members[level] (a list); returns the top level.
  function read_levels(table, name, level_of_member, members,   count, rows, i, n, words, w, top) {
    count = split(table, rows, "\n")
    top = -1
    for (i = 1; i <= count; i++) {
      if (rows[i] == "") continue
      n = split(rows[i], words, " ")
      name[i - 1] = words[1]
      for (w = 2; w <= n; w++) { level_of_member[words[w]] = i - 1; members[i - 1] = members[i - 1] " " words[w] }
      top = i - 1
    }
    return top
  }
  # The words of a list in name order, one space apart.
  function sorted_words(list,   n, items, i, j, x, result) {
    n = split(list, items, " ")
    for (i = 2; i <= n; i++)
      for (j = i; j > 1 && items[j - 1] > items[j]; j--) { x = items[j]; items[j] = items[j - 1]; items[j - 1] = x }
    for (i = 1; i <= n; i++) result = result (i > 1 ? " " : "") items[i]
    return result
  }
  function including_file(line) { return substr(line, 1, index(line, ":") - 1) }
  function included_file(line) { sub(/^[^"]*"/, "", line); sub(/".*/, "", line); return line }
'

# One pass over every include line of our sources: awk finds each file's
# layer by its folder, reports includes that reach up, and prints the graph
# (each list sorted, so that the output is stable).
folders=$(printf '%s\n' "${layers[@]}" | cut -d' ' -f2- | tr ' ' '\n')
# shellcheck disable=SC2086  # the folder list splits into words on purpose
find $folders \( -name '*.h' -o -name '*.cpp' -o -name '*.rh' \) -print0 |
  xargs -0 grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' |
  awk -v table="$(printf '%s\n' "${layers[@]}")" "$shared_awk"'
    BEGIN { top = read_levels(table, name, folder, folders) }
    function layer(path,   f) {
      for (f in folder) if (index(path, f "/") == 1) return folder[f]
      return -1
    }
    function part(path,   bits) {
      split(path, bits, "/")
      return bits[1] == "framework" ? bits[1] "/" bits[2] : bits[1]
    }
    {
      file = including_file($0)
      target = included_file($0)
      from = layer(file); to = layer(target)
      if (from < 0 || to < 0) next
      if (to > from) {
        printf "layer violation: %s (%s) includes %s (%s)\n", file, name[from], target, name[to] > "/dev/stderr"
        bad++
      }
      if (part(file) != part(target) && !((part(file), part(target)) in seen)) {
        seen[part(file), part(target)] = 1
        uses[part(file)] = uses[part(file)] " " part(target)
      }
    }
    END {
      print "Layers, bottom to top (each part with the parts it includes):"
      for (i = 0; i <= top; i++) {
        printf "  %d %s\n", i, name[i]
        n = split(folders[i], fs, " ")
        for (k = 1; k <= n; k++) {
          list = sorted_words(uses[fs[k]])
          printf "      %-20s -> %s\n", fs[k], list == "" ? "(nothing of ours)" : list
        }
      }
      if (bad) { printf "check-layers: %d include(s) reach up a layer\n", bad > "/dev/stderr"; exit 1 }
      print "check-layers: no include reaches up a layer"
    }'

# The program's folders, bottom to top: the pieces each part stands on, the
# movie device, the cuts (which know nothing of the frame that holds them: it
# gives them what they need through an interface of their own), and the main
# frame with the application class.
app_levels=(
  "support"
  "device"
  "cut"
  "frame"
)
grep -rH '^[[:space:]]*#[[:space:]]*include[[:space:]]*"app/' app --include='*.h' --include='*.cpp' |
  awk -v table="$(printf '%s\n' "${app_levels[@]}")" "$shared_awk"'
    BEGIN {
      count = split(table, rows, "\n")
      for (i = 1; i <= count; i++) if (rows[i] != "") { top = i - 1; name[top] = rows[i]; level[rows[i]] = top }
    }
    # The folder of the program a path lies in: app/<folder>/<file>.
    function folder_of(path,   bits) { split(path, bits, "/"); return bits[2] }
    function level_of(part) { return part in level ? level[part] : -1 }
    {
      file = including_file($0)
      from = folder_of(file)
      to = folder_of(included_file($0))
      if (!(from in level) || !(to in level)) {
        printf "check-layers: %s is not in a folder of the program\n", !(from in level) ? file : included_file($0) > "/dev/stderr"
        bad++
        next
      }
      if (from == to) next
      if (level_of(to) > level_of(from)) {
        printf "layer violation: %s (app/%s) includes %s (app/%s)\n", file, from, included_file($0), to > "/dev/stderr"
        bad++
      }
      if (!((from, to) in seen)) { seen[from, to] = 1; uses[from] = uses[from] " " to }
    }
    END {
      print "The program'"'"'s folders, bottom to top (each with the folders it includes):"
      for (i = 0; i <= top; i++) {
        line = sorted_words(uses[name[i]])
        printf "  app/%-10s -> %s\n", name[i], line == "" ? "(nothing of the program)" : line
      }
      if (bad) { printf "check-layers: %d include(s) reach up a level of the program\n", bad > "/dev/stderr"; exit 1 }
      print "check-layers: no include reaches up a level of the program"
    }'
