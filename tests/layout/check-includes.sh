#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the layout honest: only src/platform includes xcb, X11, AT-SPI or FFmpeg
# headers, and each folder of src/ includes only the folders below it (no cycle).
# usage: check-includes.sh SOURCE_DIR
set -uo pipefail
src="${1:?source dir}/src"
status=0

# Folder -> the folders its files may include from (besides itself).
declare -A allowed=(
  [model]=""
  [store]="model"
  [capture]="model store"
  [platform/ffmpeg]="model"
  [platform/x11]="model store capture platform/ffmpeg"
  [platform/atspi]="model store capture platform/x11"
  [ui]="model"
  # The editor's movie still is read through FFmpeg (a plain Qt interface).
  [editor]="model store ui platform/ffmpeg"
  [app]="model store capture platform/ffmpeg platform/x11 platform/atspi ui editor"
)

folder_of() { # path relative to src/ -> $folder
  if [[ "$1" == platform/* ]]; then
    local rest="${1#platform/}"
    folder="platform/${rest%%/*}"
  else
    folder="${1%%/*}"
  fi
}

include_pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"])([^>"]+)[>"]'
while IFS= read -r hit; do
  file="${hit%%:*}"
  line="${hit#*:}"
  rel="${file#"$src"/}"
  folder_of "$rel"
  own="$folder"
  if [ -z "${allowed[$own]+set}" ]; then
    echo "$rel: folder '$own' has no place in the layout (tests/layout/check-includes.sh)"
    status=1
    continue
  fi
  [[ "$line" =~ $include_pattern ]] || continue
  delimiter="${BASH_REMATCH[1]}"
  header="${BASH_REMATCH[2]}"
  if [ "$delimiter" = "<" ]; then
    if [[ "$header" =~ ^(xcb/|X11/|atspi/|libav|libsw) ]] && [[ "$own" != platform/* ]]; then
      echo "$rel: includes the platform header <$header>; only src/platform may"
      status=1
    fi
  elif [[ "$header" == */* ]]; then
    folder_of "$header"
    [ -d "$src/$folder" ] || continue # a generated or local header
    if [ "$folder" != "$own" ] && [[ " ${allowed[$own]} " != *" $folder "* ]]; then
      echo "$rel: $own may not include $header ($folder is not below it)"
      status=1
    fi
  fi
done < <(grep -rE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include' "$src")

[ $status -eq 0 ] && echo "includes follow the layout"
exit $status
