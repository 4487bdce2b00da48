#!/usr/bin/env bash
# The VS Code extension: installs its npm packages exactly as package-lock.json pins
# them and packages it with vsce into build/vscode/; the .vsix must hold the
# extension's script and the language client.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/common.sh
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  ensure_packages "vscode leg" nodejs npm
fi
ensure_packages "vscode leg" python3

output=build/vscode/ks-image-check.vsix
mkdir -p build/vscode
rm -f "$output"
(
  cd editors/vscode
  # No install scripts: packaging needs none, and one would fetch a signing tool.
  npm ci --no-audit --no-fund --ignore-scripts
  npx --no-install vsce package --skip-license --allow-missing-repository \
    --out "../../$output"
)
python3 - "$output" <<'PYTHON'
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
wanted = ["extension/package.json", "extension/extension.js",
          "extension/node_modules/vscode-languageclient/node.js"]
missing = [name for name in wanted if name not in names]
if missing:
    sys.exit(f"vscode leg: the .vsix lacks {missing}")
print(f"vscode leg: {sys.argv[1]} holds {len(names)} files")
PYTHON
