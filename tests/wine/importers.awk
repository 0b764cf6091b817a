BEGIN { tid = "" }
# the main thread of the program named `program`: the one that maps it
tid == "" && /map_image_into_view mapping PE file L"/ && index(tolower($0), "\\" program "\"") { split($0, f, ":"); tid = f[1]; next }
tid == "" { next }
index($0, tid ":") != 1 { next }
/trace:module:load_dll looking for L"/ {
    match($0, /looking for L"[^"]*"/); name = tolower(substr($0, RSTART + 14, RLENGTH - 15))
    sub(/.*\\/, "", name)
    if (name == lib) print (depth ? stack[depth] : "(the program)")
    stack[++depth] = name
    next
}
/trace:module:load_dll Found L"/ || /trace:module:load_dll Loaded module L"/ || /load_dll.*[Ff]ailed/ { if (depth) depth--; next }
