#!/bin/sh
# Writes PROGRAM's manual page from its own --help and --version, so that
# the page says what the program does:
#   manpage.sh PROGRAM SUMMARY TAIL OUT
# "usage:" lines make the synopsis, a line "Heading:" a section, an indented
# "TERM  text" an entry (deeper lines continue its text), other text a
# paragraph; an entry starting with "-" before any heading opens OPTIONS.
# TAIL (roff) is appended: files and related commands.
set -eu
program="$1" summary="$2" tail="$3" out="$4"
name="$(basename "$program")"
version="$("$program" --version)"
"$program" --help | awk -v name="$name" -v version="$version" -v summary="$summary" '
function esc(s) {
    gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s)
    sub(/^[.'"'"']/, "\\\\&&", s)
    return s
}
function section(title) { close_block(); print ".SH " title; current = title }
function close_block() { if (verbatim) print ".fi"; verbatim = 0 }
BEGIN {
    print ".TH " toupper(name) " 1 \"\" \"" version "\" \"CV5320 Evaluation Software\""
    print ".SH NAME"
    print esc(name) " \\- " esc(summary)
}
/^usage: / {
    section("SYNOPSIS"); print ".nf"; verbatim = 1
    print esc(substr($0, 8)); next
}
current == "SYNOPSIS" && verbatim && /^ / { line = $0; sub(/^       /, "", line); print esc(line); next }
/^$/ { close_block(); blank = 1; next }
/^[A-Za-z][A-Za-z ]*:$/ { section(toupper(substr($0, 1, length($0) - 1))); blank = 0; next }
/^  [^ ]/ {
    line = substr($0, 3)
    if (current == "EXAMPLES") {
        if (!verbatim) { print ".PP"; print ".nf"; verbatim = 1 }
        print esc(line); next
    }
    if (line ~ /^-/ && (current == "SYNOPSIS" || current == "DESCRIPTION")) section("OPTIONS")
    close_block()
    term = line; text = ""
    if (match(line, /  +/)) { term = substr(line, 1, RSTART - 1); text = substr(line, RSTART + RLENGTH) }
    print ".TP"; print "\\fB" esc(term) "\\fR"
    if (text != "") print esc(text)
    next
}
/^   / { line = $0; sub(/^ +/, "", line); print esc(line); next }
{
    if (current == "" || current == "SYNOPSIS") section("DESCRIPTION")
    else if (blank) { close_block(); print ".PP" }
    blank = 0
    print esc($0)
}
END { close_block() }
' > "$out"
cat "$tail" >> "$out"
