# Sourced by the test scripts: checks that say what was expected and what
# came, a count of the failures, and the summary line; the script exits 1
# when any check failed (an exit code is 8 bits: a count could wrap to 0),
# and 77 when it made no check at all, which a stage records as skipped.
failures=0
passes=0

fail() {  # fail <message>
    echo "FAILED: $1"
    failures=$((failures + 1))
}

pass() {  # pass <message>
    echo "ok: $1"
    passes=$((passes + 1))
}

check() {  # check <what> <expected> <got>
    if [ "$2" = "$3" ]; then pass "$1: $3"; else fail "$1: expected [$2], got [$3]"; fi
}

checks_done() {  # checks_done <name>: the summary; exit 1 on any failure
    if [ "$failures" -eq 0 ] && [ "$passes" -eq 0 ]; then echo "$1: no check ran"; exit 77; fi
    if [ "$failures" -eq 0 ]; then echo "$1: all checks passed"; exit 0; fi
    echo "$1: $failures failure(s)"
    exit 1
}
