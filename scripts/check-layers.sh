#!/usr/bin/env bash
# Checks the layers of the sources: the core (storage and the rules files of
# the subsystems) includes no screen, no subsystem folder includes the
# shell, the shared screen pieces include no subsystem, and no two folders
# include each other, directly or through others.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
cd "$src" || exit 2
status=0
fail() { echo "layers: $*"; status=1; }

core=(storage/*.h storage/*.cpp appointments/appointmentrules.* contacts/contactrules.* documents/documentrules.* summaries/summaryrules.* checks/identifiers.* backup/backuprules.* backup/archivecheck.* backup/zipcontainer.* backup/sha256.* reminders/reminderrules.* reminders/reminderwatch.* exchange/contentlines.* exchange/folderidentity.* exchange/incoming.h exchange/icalendar.* exchange/vcard.* exchange/exchangeplan.*
  sync/network.* sync/davclient.* sync/itemcodec.* sync/syncstate.* sync/syncsettings.* sync/syncplan.* sync/syncrun.* sync/recordcodecs.*)
while IFS= read -r line; do fail "core file includes a screen or GUI header: $line"; done < <(
  grep -HnE '#include +[<"](Q(Widget|Dialog|Label|LineEdit|ComboBox|CheckBox|Painter|Pixmap|Icon|Color|Font|Application|Gui|Widgets|PrintSupport|Multimedia)[A-Za-z]*|ui/|ui_|shell/|appointments/appointment(card|search|exports)|agendascreen)' "${core[@]}")

while IFS= read -r line; do fail "folder below the shell includes it: $line"; done < <(
  grep -HnE '#include +"shell/' ui/* appointments/* contacts/* documents/* summaries/* checks/* reminders/* exchange/* storage/* sync/* 2>/dev/null)

while IFS= read -r line; do fail "shared screen piece includes a subsystem: $line"; done < <(
  grep -HnE '#include +"(appointments|contacts|documents|summaries|checks|reminders|exchange|sync)/' ui/* 2>/dev/null)

edges=$(grep -HoE '#include +"[a-z]+/' */*.h */*.cpp 2>/dev/null |
  sed -E 's#^([a-z]+)/[^:]*:\#include +"([a-z]+)/#\1 \2#' | awk '$1 != $2' | sort -u)
if ! echo "$edges" | tsort >/dev/null 2>/tmp/layers-tsort.$$; then
  fail "include cycle between folders: $(cat /tmp/layers-tsort.$$)"
fi
rm -f /tmp/layers-tsort.$$

exit $status
