# Sourced by the tests that run what the pages print. doc_blocks <page>...
# writes each fenced block of the pages as one record ended by a NUL: a first
# line "<page>:<line>|<language>|<place>" and then the block's lines, the
# fence's indentation taken off. <place> is what the comment line right
# before the fence says, "<!-- commands: <place> -->", or "test: ..." for
# "<!-- test: ... -->", or empty: the pages mark each block of commands with
# where it runs. A fence left open at the end of a page fails (exit 1): the
# blocks after it would be lost or read as one.
doc_blocks() {
    awk '
        function unclosed() {
            if (fenced) { printf "doc_blocks: %s: the fence opened at line %d is never closed\n", page, opened > "/dev/stderr"; failed = 1; exit 1 }
        }
        FNR == 1 { unclosed(); fenced = 0; before = ""; page = FILENAME }
        !fenced && /^[[:space:]]*```/ {
            fenced = 1; opened = FNR
            indent = match($0, /[^[:space:]]/) - 1
            language = $0; sub(/^[[:space:]]*```[[:space:]]*/, "", language); sub(/[[:space:]].*/, "", language)
            place = ""
            if (before ~ /^[[:space:]]*<!-- (commands|test): .* -->[[:space:]]*$/) {
                place = before; sub(/^[[:space:]]*<!-- (commands: )?/, "", place); sub(/ -->[[:space:]]*$/, "", place)
            }
            printf "%s:%d|%s|%s\n", FILENAME, FNR, language, place
            next
        }
        fenced && /^[[:space:]]*```[[:space:]]*$/ { fenced = 0; printf "%c", 0; before = ""; next }
        fenced { print substr($0, indent + 1); next }
        /[^[:space:]]/ { before = $0 }
        END { if (!failed) unclosed() }
    ' "$@"
}

split_block() {  # split_block <record>: its where, language, place and body, in those variables
    local header=${1%%$'\n'*}
    IFS='|' read -r where language place <<<"$header"
    body=${1#*$'\n'}
}
