# Sourced by the test scripts: checks that say what was expected and what
# came, a count of the failures, and the summary line whose count is the
# script's exit code.
failures=0

fail() {  # fail <message>
    echo "FAILED: $1"
    failures=$((failures + 1))
}

check() {  # check <what> <expected> <got>
    if [ "$2" = "$3" ]; then echo "ok: $1: $3"; else fail "$1: expected [$2], got [$3]"; fi
}

checks_done() {  # checks_done <name>: the summary; exit with the count
    if [ "$failures" -eq 0 ]; then echo "$1: all checks passed"; else echo "$1: $failures failure(s)"; fi
    exit "$failures"
}
