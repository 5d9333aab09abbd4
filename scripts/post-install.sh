#!/usr/bin/env bash
# Finishes an installation in a program folder: hands the folder to its user.
set -euo pipefail
folder=$1
owner=$2
group=$(id -gn "$owner")
chown -R "$owner:$group" "$folder"
