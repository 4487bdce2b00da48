#!/usr/bin/env bash
# The SARIF 2.1.0 JSON schema that tests/outputs/validate_sarif.py checks the --sarif
# log against, into build/sarif-schema/. It comes from the npm registry, in Microsoft's
# package of SARIF test matchers (MIT), pinned by version and by the schema's checksum.
set -euo pipefail
cd "$(dirname "$0")/.."

package=@microsoft/jest-sarif@1.0.0-beta.0
tarball=microsoft-jest-sarif-1.0.0-beta.0.tgz
member=package/lib/schemas/sarif-2.1.0-rtm.5.json
sha256=2d99159ae54a3eea97f81781cff48780548657c35949f4b7f25e99a2ba4de4f8
schema=build/sarif-schema/sarif-2.1.0-rtm.5.json

if [ -f "$schema" ] && echo "$sha256  $schema" | sha256sum --check --quiet 2>/dev/null; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "sarif schema: installing npm"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q npm
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$scratch" && npm pack --silent "$package" >/dev/null)
tar -xzf "$scratch/$tarball" -C "$scratch" "$member"
echo "$sha256  $scratch/$member" | sha256sum --check --quiet
mkdir -p "$(dirname "$schema")"
cp "$scratch/$member" "$schema"
echo "sarif schema: $schema"
