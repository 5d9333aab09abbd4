#!/usr/bin/env bash
# Finishes an installation in a program folder: hands the folder to its user.
set -euo pipefail
folder=$1
owner=$2
group=$(id -gn "$owner")

# The first password store: the password "quirvale" (letters a to z are read
# without regard to case). Never overwritten, so a changed password survives
# a new installation.
if [ ! -e "$folder/unins000.dll" ]; then
  printf '[Accesso]\nValore=434CFACC53A491EB\n' > "$folder/unins000.dll"
fi

# The desktop entry, so the program appears in the desktop's application menu
# and starts from its program folder.
home=$(getent passwd "$owner" | cut -d: -f6)
apps="$home/.local/share/applications"
mkdir -p "$apps"
cat > "$apps/quirvale.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Quirvale 5.0
GenericName=Agenda, anagrafica e protocollo
Comment=Agenda degli impegni, anagrafica dei contatti e protocollo dei documenti
Exec="$folder/Quirvale"
Path=$folder
Icon=$folder/quirvale.svg
Terminal=false
Categories=Office;Calendar;ContactManagement;
DESKTOP
chown -R "$owner:$group" "$folder" "$apps/quirvale.desktop"
