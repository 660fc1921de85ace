#!/usr/bin/env bash
# Fetching a Debian source package whichever of its listed versions can be
# had: a mirror or the security suite may list a version whose files are
# gone. Sourced by tools/windows.sh and its test.

# The versions `apt-cache showsrc` lists for source package $1, newest first.
pelmora_source_versions() {
  local name=$1 versions=() v i j
  mapfile -t versions < <(apt-cache showsrc "$name" 2>/dev/null |
    awk -v name="$name" '/^Package: /{ours = ($2 == name)} ours && /^Version: /{print $2}' | sort -u)
  for ((i = 1; i < ${#versions[@]}; i++)); do
    v=${versions[i]}
    j=$((i - 1))
    while ((j >= 0)) && dpkg --compare-versions "${versions[j]}" lt "$v"; do
      versions[j + 1]=${versions[j]}
      j=$((j - 1))
    done
    versions[j + 1]=$v
  done
  [ ${#versions[@]} -eq 0 ] || printf '%s\n' "${versions[@]}"
}

# Unpacks source package $1 into folder $2 (which must not exist yet) from
# the newest listed version that downloads and unpacks; says which on
# standard output. Fails naming the package and every version tried when
# none does. Works in a scratch folder beside $2.
pelmora_fetch_source() {
  local name=$1 dest=$2 scratch version tried=() reason=""
  local versions
  mapfile -t versions < <(pelmora_source_versions "$name")
  if [ ${#versions[@]} -eq 0 ]; then
    echo "no version of the source package $name is listed (is there a deb-src entry?)" >&2
    return 1
  fi
  scratch="$dest.fetch"
  for version in "${versions[@]}"; do
    tried+=("$version")
    rm -rf "$scratch"
    mkdir -p "$scratch"
    if (cd "$scratch" && apt-get source --download-only -qq "$name=$version" >fetch.log 2>&1 &&
      dpkg-source -x ./*.dsc unpacked >unpack.log 2>&1); then
      mv "$scratch/unpacked" "$dest"
      rm -rf "$scratch"
      echo "$name: source version $version"
      return 0
    fi
    reason=$(cat "$scratch"/fetch.log "$scratch"/unpack.log 2>/dev/null | grep -v '^$' | tail -1)
    echo "$name $version could not be fetched or unpacked: ${reason:-no reason given}" >&2
  done
  rm -rf "$scratch"
  local IFS=,
  echo "the source package $name could not be had in any listed version; tried: ${tried[*]}" >&2
  return 1
}
