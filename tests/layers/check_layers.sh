#!/usr/bin/env bash
# Fails, naming each file and include, when an include under src/ runs back up the layer order
# base < keys < link (with link/pcap) < registry < report < pages < ui, app; or when anything but
# src/link/pcap includes libpcap.
#   usage: check_layers.sh SOURCE-DIR
set -u
top=${1:-.}
cd "$top/src" || exit 2
rank() {
    case "$1" in
        base) echo 1 ;; keys) echo 2 ;; link) echo 3 ;; registry) echo 4 ;; report) echo 5 ;;
        pages) echo 6 ;; ui | app) echo 7 ;; *) echo 0 ;;
    esac
}
status=0
while IFS= read -r file; do
    from=${file%%/*}
    rf=$(rank "$from")
    [ "$rf" = 0 ] && continue
    while IFS= read -r line; do
        to=${line#*\"}
        to=${to%%/*}
        rt=$(rank "$to")
        if [ "$rt" != 0 ] && [ "$rt" -gt "$rf" ]; then
            echo "src/$file: $line runs up from $from/ to $to/"
            status=1
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z]+/' "$file")
    case "$file" in
        link/pcap/*) ;;
        *)
            if grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<pcap' "$file"; then
                echo "src/$file: includes libpcap outside link/pcap"
                status=1
            fi
            ;;
    esac
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort)
[ "$status" = 0 ] && echo "layers: every include runs down the order"
exit $status
