# Sourced by scripts/test and tests/wine/run.sh: each stage or test program
# that ran, failed or was skipped is recorded, by name, in one file that
# nested scripts share (VEXLO_RESULTS), and the summary is read from it. A
# failed stage does not stop the ones after it; each says why it failed.
stages_own=
if [ -z "${VEXLO_RESULTS:-}" ]; then
    VEXLO_RESULTS=$(mktemp /tmp/vexlo-results.XXXXXX)
    export VEXLO_RESULTS
    stages_own=1
fi

# stage <name> <command...>: runs the command with errexit on, so that its
# first failing step ends it, and records whether it passed. A command that
# exits 77 made no check at all: that is a skip, never a pass.
stage() {
    local name=$1 code=0 start=$SECONDS
    shift
    echo "== $name"
    (set -e; "$@") &
    wait $! || code=$?
    echo "-- $name: $((SECONDS - start)) s"
    if [ "$code" -eq 77 ]; then
        skip "$name" "it ran no check"
    elif [ "$code" -eq 0 ]; then
        printf 'passed\t%s\n' "$name" >>"$VEXLO_RESULTS"
    else
        echo "FAILED: $name (exit status $code)"
        printf 'failed\t%s (exit status %s)\n' "$name" "$code" >>"$VEXLO_RESULTS"
    fi
}

# skip <name> <reason>: a run that could not be made here. Under CI=true it
# fails instead: a skipped run is a gap, and CI must not pass over one.
skip() {
    if [ "${CI:-}" = true ]; then
        echo "FAILED: $1: skipped, which CI=true does not allow: $2"
        printf 'failed\t%s: skipped, which CI=true does not allow: %s\n' "$1" "$2" >>"$VEXLO_RESULTS"
        return
    fi
    echo "== $1: skipped: $2"
    printf 'skipped\t%s: %s\n' "$1" "$2" >>"$VEXLO_RESULTS"
}

# The failed and the skipped by name, then "N passed, M failed, K skipped"
# as the last line; returns 1 when anything failed. Only the script that
# made the record sums it up: a nested one leaves that to its caller.
stages_summary() {
    local passed failed skipped
    [ -n "$stages_own" ] || return 0
    passed=$(grep -c '^passed' "$VEXLO_RESULTS" || true)
    failed=$(grep -c '^failed' "$VEXLO_RESULTS" || true)
    skipped=$(grep -c '^skipped' "$VEXLO_RESULTS" || true)
    echo "== summary"
    sed -n 's/^failed\t/failed:  /p; s/^skipped\t/skipped: /p' "$VEXLO_RESULTS"
    rm -f "$VEXLO_RESULTS"
    echo "$passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ]
}
