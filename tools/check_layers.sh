#!/usr/bin/env bash
# Checks which way the includes of src/ point: the engine and the command
# line tool include no Qt and nothing of models or ui; models include at most
# QtCore and nothing of ui; the command binders see the window through its
# ports, never the frame's class. Prints each include that breaks this.
set -uo pipefail
cd "$(dirname "$0")/../src"
qtcore=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)/QtCore
status=0
broken() { echo "$1: $2" >&2; status=1; }

while IFS=: read -r file line; do
    broken "$file" "$line"
done < <(grep -Hn -E '#include +(<Q|"(models|ui)/)' $(find engine cli -name '*.cpp' -o -name '*.h'))

while IFS=: read -r file _ line; do
    header=$(sed -E 's/.*<([^>]*)>.*/\1/' <<<"$line")
    case $header in
    QtCore/*) ;;
    Q*) [ -e "$qtcore/$header" ] || broken "$file" "$line" ;;
    esac
done < <(grep -Hn -E '#include +<Q' $(find models -name '*.cpp' -o -name '*.h'))

while IFS=: read -r file line; do
    broken "$file" "$line"
done < <(grep -Hn -E '#include +"ui/' $(find models -name '*.cpp' -o -name '*.h'))

while IFS=: read -r file line; do
    broken "$file" "$line"
done < <(grep -Hn -E '#include +"ui/shell/MainFrm.h"' ui/shell/*Commands.cpp ui/shell/*Commands.h)

[ $status -eq 0 ] && echo "layers: every include points down"
exit $status
