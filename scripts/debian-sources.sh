# Sourced by the scripts that build libraries for another target from Debian 12's own source packages
# (windows-deps.sh, web-deps.sh). The caller sets `sources` (name=version pins), `recipe`, `cache_name`
# and `tag` (its name in messages), then calls open_cache and fetch_sources. Results are kept under
# ~/.cache/quessaly/<cache_name>/<key>, the key made from the pins and the recipe revision, so every
# clone on the machine shares them.

mirror=${QUESSALY_DEBIAN_MIRROR:-http://deb.debian.org/debian}
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Sets `prefix`; prints it and exits when it is already built. Otherwise takes the cache's lock and makes
# `work` (removed on exit), `stage` (installed into, moved to `prefix` by finish_cache) and the logs folder.
open_cache() {
  local cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/quessaly/$cache_name
  local key
  key=$(printf '%s\n' "${sources[@]}" "recipe $recipe" | sha256sum | cut -c1-16)
  prefix=$cache_root/$key
  [[ -f $prefix/.complete ]] && { echo "$prefix"; exit 0; }
  mkdir -p "$cache_root"
  exec 9>"$prefix.lock"
  flock 9
  [[ -f $prefix/.complete ]] && { echo "$prefix"; exit 0; }
  started=$SECONDS
  work=$(mktemp -d "$cache_root/build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  stage=$work/prefix
  mkdir -p "$stage" "$work/logs"
}

# Runs a step with its output in a log, shown only when the step fails.
step() {
  local name=$1
  shift
  local begun=$SECONDS
  if ! "$@" >"$work/logs/$name.log" 2>&1; then
    tail -n 40 "$work/logs/$name.log" >&2
    echo "$tag: $name failed" >&2
    exit 1
  fi
  echo "  $name: $((SECONDS - begun)) s" >&2
}

# Downloads every pinned source package, checks it and unpacks it into $work/src/<name>.
fetch_sources() {
  # A private apt state with the deb-src entries, so the machine's own apt configuration stays as it is.
  local apt_options=(
    -o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o Debug::NoLocking=1 -o "APT::Sandbox::User=$(id -un)"
  )
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
  local suite source name version offered dsc
  for suite in bookworm bookworm-updates; do
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $suite main"
  done >"$work/apt/sources.list"
  step apt-update apt-get "${apt_options[@]}" update

  for source in "${sources[@]}"; do
    name=${source%%=*}
    version=${source#*=}
    offered=$(apt-cache "${apt_options[@]}" showsrc "$name" | sed -n 's/^Version: //p' | sort -u | tr '\n' ' ')
    if [[ " $offered " != *" $version "* ]]; then
      echo "$tag: Debian no longer offers $name $version (it offers: $offered); update the pin in $0" >&2
      exit 1
    fi
  done

  # Upstream signatures (.asc) are not needed to unpack and the archive does not always serve them, so
  # apt's verdict is replaced by our own: every other file the .dsc lists is present with its SHA-256.
  (cd "$work/src" && apt-get "${apt_options[@]}" source --download-only "${sources[@]}" >"$work/logs/download.log" 2>&1) || true
  for source in "${sources[@]}"; do
    name=${source%%=*}
    dsc=$(ls "$work/src/$name"_*.dsc)
    (cd "$work/src" &&
      awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && $3 !~ /\.asc$/ { print $1 "  " $3 }' "$dsc" |
      sha256sum --check --quiet) || { cat "$work/logs/download.log" >&2; echo "$tag: $name did not download" >&2; exit 1; }
    grep -v '\.asc$' "$dsc" >"$work/src/unpack-$name.dsc"
    step "unpack-$name" dpkg-source --no-check -x "$work/src/unpack-$name.dsc" "$work/src/$name"
  done
}

# Keeps the licences and the pins beside the libraries and moves the stage into the cache.
finish_cache() {
  local source name
  for source in "${sources[@]}"; do
    name=${source%%=*}
    mkdir -p "$stage/licenses/$name"
    cp "$work/src/$name/debian/copyright" "$stage/licenses/$name/copyright"
  done
  printf '%s\n' "${sources[@]}" >"$stage/versions.txt"
  touch "$stage/.complete"
  rm -rf "$prefix"
  mv "$stage" "$prefix"
}
