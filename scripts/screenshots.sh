#!/usr/bin/env bash
# Takes the README's pictures of "Probar" (docs/screenshots/prueba-*.png) and of the list of
# formats (docs/screenshots/lista-formatos.png) from the real screen
# and services on the sample database, shown on an X server (Xvfb) through Qt's xcb platform, and
# those of the screen's keyboard path (docs/screenshots/general-*.png) under openbox.
# Usage: scripts/screenshots.sh [BUILD_FOLDER]   (default: build; the test tst_views is built
# there first)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" --target tst_views tst_activation
export KESTA_SCREENSHOTS="$PWD/docs/screenshots"
export QT_QPA_PLATFORM=xcb
export LANG=es_ES.UTF-8 # numbers as a Spanish-speaking user sees them
unset LC_ALL LC_NUMERIC
xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/tst_views" probarShowsTextTablesAndLines \
    faultsOfAFileAtAGlance likelyCauseComesFirst probarOnAnotherFile progressOfABigSampleFile \
    testBeforeSaving listOfFormatsFilters:all
xvfb-run -a -s "-screen 0 1280x800x24" sh tests/support/with-openbox.sh \
    "$build/bin/tst_activation" keyboardAloneFromNewToReactivation
ls -l docs/screenshots/prueba-*.png docs/screenshots/general-*.png docs/screenshots/lista-*.png
