#!/usr/bin/env bash
# Fails when a file includes a layer above its own. The layers, lowest first:
#   base  console lines, logger, cancel token, worker group
#   net, protocol  interfaces, endpoint, scanner / the device protocols' codecs (peers: neither
#         includes the other)
#   core  what the window and brenmoor-cli share (Qt Core only)
#   ui, cli  the widgets / the command-line program (peers, both on core)
#   app   start-up and the window shell
#   arphelper  brenmoor-arp, the program that holds cap_net_raw: a layer of its own that
#         includes nothing of the others (and none of them includes it)
# Only includes that name a layer folder count ("core/devicelist.h"); the generated forms
# (ui_mainwindow.h) and system headers do not. Tests, tools, benchmarks and fuzz targets may
# include anything.
# usage: tools/check-layers.sh [ROOT]   (ROOT: the source tree, default this checkout)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

may_include() { # layer -> the layers its files may include
  case "$1" in
    base) echo "base" ;;
    net) echo "base net" ;;
    protocol) echo "base protocol" ;;
    core) echo "base net protocol core" ;;
    ui) echo "base net protocol core ui" ;;
    cli) echo "base net protocol core cli" ;;
    app) echo "base net protocol core ui app" ;;
    arphelper) echo "arphelper" ;;
  esac
}

layers="base net protocol core ui cli app arphelper"
problems=0
files=0
for layer in $layers; do
  [ -d "$root/$layer" ] || continue
  allowed=" $(may_include "$layer") "
  while IFS= read -r -d '' file; do
    files=$((files + 1))
    rel=${file#"$root"/}
    while IFS=: read -r line included; do
      target=${included%%/*}
      case " $layers " in *" $target "*) ;; *) continue ;; esac
      case "$allowed" in
        *" $target "*) ;;
        *) echo "$rel:$line includes $included: $target is not below $layer"; problems=$((problems + 1)) ;;
      esac
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+/[^"]+"' "$file" |
             sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/')
  done < <(find "$root/$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done
if [ "$problems" -gt 0 ]; then
  echo "layer check: $problems upward include(s) in $files files"
  exit 1
fi
echo "layer check: $files files, every include names its own layer or one below"
