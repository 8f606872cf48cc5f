#!/usr/bin/env bash
# Gathers every translatable text of the program's sources into resources/translations/varrow_en.ts and
# varrow_zh.ts. Texts already translated keep their translations; new texts arrive unfinished, to be translated.
set -euo pipefail
cd "$(dirname "$0")/.."
LUPDATE=/usr/lib/qt6/bin/lupdate
[ -x "$LUPDATE" ] || LUPDATE=lupdate
SOURCES=(app config engine model pages platform sdk storage widgets)
"$LUPDATE" -locations none -I . -source-language en_US -target-language en_US "${SOURCES[@]}" \
    -ts resources/translations/varrow_en.ts
"$LUPDATE" -locations none -I . -source-language en_US -target-language zh_CN "${SOURCES[@]}" \
    -ts resources/translations/varrow_zh.ts
