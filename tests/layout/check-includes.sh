#!/usr/bin/env bash
# Keeps the layout honest: only src/platform includes xcb, X11, AT-SPI or FFmpeg
# headers, and each folder of src/ includes only the folders below it (no cycle).
# usage: check-includes.sh SOURCE_DIR
set -uo pipefail
src="${1:?source dir}/src"
status=0

# Folder -> the folders its files may include from (besides itself).
allowed_for() {
  case "$1" in
    model) echo "" ;;
    store) echo "model" ;;
    capture) echo "model store" ;;
    platform/ffmpeg) echo "model" ;;
    platform/x11) echo "model store capture platform/ffmpeg" ;;
    platform/atspi) echo "model store capture platform/x11" ;;
    ui) echo "model" ;;
    # The editor's movie still is read through FFmpeg (a plain Qt interface).
    editor) echo "model store ui platform/ffmpeg" ;;
    app) echo "model store capture platform/ffmpeg platform/x11 platform/atspi ui editor" ;;
    *) echo "?" ;;
  esac
}

folder_of() { # path relative to src/ -> its folder key
  case "$1" in
    platform/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "$1" | cut -d/ -f1 ;;
  esac
}

while IFS= read -r -d '' file; do
  rel="${file#"$src"/}"
  folder="$(folder_of "$rel")"
  allowed="$(allowed_for "$folder")"
  if [ "$allowed" = "?" ]; then
    echo "$rel: folder '$folder' has no place in the layout (tests/layout/check-includes.sh)"
    status=1
    continue
  fi
  while IFS= read -r line; do
    header="$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")"
    if [[ "$line" =~ \<(xcb/|X11/|atspi/|libav|libsw) ]] && [[ "$folder" != platform/* ]]; then
      echo "$rel: includes the platform header <$header>; only src/platform may"
      status=1
    fi
    if [[ "$line" =~ \" ]] && [[ "$header" == */* ]]; then
      target="$(folder_of "$header")"
      [ -d "$src/$target" ] || continue # a generated or local header
      if [ "$target" != "$folder" ] && [[ " $allowed " != *" $target "* ]]; then
        echo "$rel: $folder may not include $header ($target is not below it)"
        status=1
      fi
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)

[ $status -eq 0 ] && echo "includes follow the layout"
exit $status
