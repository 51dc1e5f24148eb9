#!/usr/bin/env bash
# run.sh -o creates the folder and stores it as the program's output
# directory, in the settings file's own encoding; without -o nothing changes.
source "$(dirname "$0")/lib.sh"

movie=$work/movie.avi
make_movie "$movie" -c:v msvideo1
ini=$(settings_file)

# A new folder with a blank and Japanese characters; no settings file yet.
rm -f "$ini"
dir="$work/cut frames/動画"
"$run_sh" --prepare-only -o "$dir" "$movie" >/dev/null
check "-o creates the folder" test -d "$dir"
expected=$(printf '[Screen]\r\nDir=Z:%s\\\r\n' "${dir//\//\\}" | iconv -f UTF-8 -t CP932)
check "a new settings file holds the Windows path with a backslash, in code page 932 with CRLF" \
  test "$(cat "$ini")" = "$expected"

# An existing file: the Dir line is replaced where it is, everything else kept.
printf '[Other]\r\nDir=keep\r\n[Screen]\r\nX=10\r\nDir=C:\\old\\\r\nLastDir=C:\\\x93\xae\x89\xe6\r\n' >"$ini"
"$run_sh" --prepare-only -o "$work/second" "$movie" >/dev/null
expected=$(printf '[Other]\r\nDir=keep\r\n[Screen]\r\nX=10\r\nDir=Z:%s\\\r\nLastDir=C:\\\x93\xae\x89\xe6\r\n' \
  "${work//\//\\}\\second")
check "an existing settings file changes only its Dir line" test "$(cat "$ini")" = "$expected"

# Without -o a folder stored before stays; with none stored yet, cut frames
# go to ~/Pictures/velmo, and run.sh says so.
printf '[Other]\r\nA=1\r\n[Screen]\r\nDir=C:\\kept\\\r\n' >"$ini"
kept=$(cat "$ini")
"$run_sh" --prepare-only "$movie" >/dev/null
check "without -o a stored folder stays as it is" test "$(cat "$ini")" = "$kept"
printf '[Other]\r\nA=1\r\n' >"$ini"
"$run_sh" --prepare-only "$movie" >/dev/null 2>"$work/first.err"
check "the first time without -o, ~/Pictures/velmo is made and stored" \
  test -d "$HOME/Pictures/velmo" -a "$(cat "$ini")" = \
  "$(printf '[Other]\r\nA=1\r\n[Screen]\r\nDir=Z:%s\\\r\n' "${HOME//\//\\}\\Pictures\\velmo")"
check "and run.sh says so" grep -q "they go to $HOME/Pictures/velmo" "$work/first.err"

# A settings file without the section gets it.
printf '[Other]\r\nA=1\r\n' >"$ini"
"$run_sh" --prepare-only -o "$work/third" "$movie" >/dev/null
check "a file without the section gets it" \
  test "$(cat "$ini")" = "$(printf '[Other]\r\nA=1\r\n[Screen]\r\nDir=Z:%s\\\r\n' "${work//\//\\}\\third")"

# Paths the program could not use are refused before anything is stored.
printf '[Screen]\r\nDir=C:\\kept\\\r\n' >"$ini"
kept=$(cat "$ini")
lines="$work/two"$'\n'"lines"
if "$run_sh" --prepare-only -o "$lines" "$movie" >/dev/null 2>"$work/lines.err"; then
  fail "a folder with a line feed is refused"
else
  check "a folder with a line feed is refused" grep -q 'control character' "$work/lines.err"
fi
check "and is neither created nor stored" test ! -e "$lines" -a "$(cat "$ini")" = "$kept"

locked=$work/locked
mkdir -p "$locked" && chmod 555 "$locked"
chmod o+r "$movie"
if as_another_user "$run_sh" --prepare-only -o "$locked" "$movie" >/dev/null 2>"$work/locked.err"; then
  fail "a folder that cannot be written is refused"
else
  check "a folder that cannot be written is refused" grep -q 'cannot write into the output directory' \
    "$work/locked.err"
fi
check "and is not stored" test "$(cat "$ini")" = "$kept"

# Characters code page 932 lacks (Korean, an emoji): the folder's short name.
foreign="$work/한국어 😀"
"$run_sh" --prepare-only -o "$foreign" "$movie" >/dev/null
stored=$(sed -n 's/^Dir=\(.*\)\r$/\1/p' "$ini")
check "a folder outside code page 932 is stored by its short name, in ASCII" \
  grep -Eq '^[A-Z]:\\[ -~]*\\$' <<<"$stored"
check "which is that folder" test "$(unix_path "$stored")" = "$foreign/"
rm -f "$ini"
finish
