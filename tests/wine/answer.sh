#!/usr/bin/env bash
# What VexloHost.exe IsConnected says and answers, run from the given folder
# in a fresh prefix of the given kind: one line, "<its output>, exit <code>".
# (Output goes through a file: a pipe would be held open by the processes
# Wine starts for the prefix, and never end.)
# usage: answer.sh <win32|win64> <folder with VexloHost.exe and the DLL>
set -euo pipefail
usage="usage: answer.sh <win32|win64> <folder>"
arch=${1:?$usage}
folder=$(cd "${2:?$usage}" && pwd)
source "$(dirname "$0")/../../scripts/wine-prefix.sh"
wine_prefix_start "$arch" >/dev/null 2>&1 </dev/null
said=$(mktemp /tmp/vexlo-answer.XXXXXX)
code=0
(cd "$folder" && wine VexloHost.exe IsConnected >"$said" 2>&1 </dev/null) || code=$?
echo "$(tr -d '\r' <"$said"), exit $code"
rm -f "$said"
