# Sourced by the tests that run what the pages print. doc_blocks <page>...
# writes each fenced block of the pages as one record ended by a NUL: a first
# line "<page>:<line>\t<language>\t<place>" and then the block's lines, the
# fence's indentation taken off. <place> is what the comment line right
# before the fence says, "<!-- commands: <place> -->", or "test: ..." for
# "<!-- test: ... -->", or empty: the pages mark each block of commands with
# where it runs.
doc_blocks() {
    awk '
        FNR == 1 { fenced = 0; before = "" }
        !fenced && /^[[:space:]]*```/ {
            fenced = 1
            indent = match($0, /[^[:space:]]/) - 1
            language = $0; sub(/^[[:space:]]*```[[:space:]]*/, "", language); sub(/[[:space:]].*/, "", language)
            place = ""
            if (before ~ /^[[:space:]]*<!-- (commands|test): .* -->[[:space:]]*$/) {
                place = before; sub(/^[[:space:]]*<!-- (commands: )?/, "", place); sub(/ -->[[:space:]]*$/, "", place)
            }
            printf "%s:%d\t%s\t%s\n", FILENAME, FNR, language, place
            next
        }
        fenced && /^[[:space:]]*```[[:space:]]*$/ { fenced = 0; printf "%c", 0; before = ""; next }
        fenced { print substr($0, indent + 1); next }
        /[^[:space:]]/ { before = $0 }
    ' "$@"
}
