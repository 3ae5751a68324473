#!/bin/sh
# Fetches a URL with curl and writes the download speed (bytes per second)
# to a file. The body goes to /dev/null, or with "keep" to a file in
# /dev/shm (memory, like the HTTP client's answer buffer) that is removed
# afterwards. The HTTP benchmark starts this from Wine, where it cannot wait
# for the process, so the result file appears only when complete.
url=$1
out=$2
mode=${3:-discard}
body=/dev/null
if [ "$mode" = keep ]; then body=/dev/shm/swfsaver-curl-body.$$; fi
curl -s -o "$body" -w '%{speed_download}\n' "$url" > "$out.part" || echo 0 > "$out.part"
if [ "$body" != /dev/null ]; then rm -f "$body"; fi
mv "$out.part" "$out"
