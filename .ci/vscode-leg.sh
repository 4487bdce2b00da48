#!/usr/bin/env bash
# The VS Code extension: installs its npm packages exactly as package-lock.json pins
# them, runs its tests, and packages it with vsce into build/vscode/ (esbuild bundles
# the extension and the language client into one file first). Then checks the
# package: a handful of files, one script, and a manifest that lets no workspace
# choose the program that runs.
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
  # esbuild finds its binary in its platform package without its own.
  npm ci --no-audit --no-fund --ignore-scripts
  node --test test/
  npx --no-install vsce package --no-dependencies --no-rewrite-relative-links \
    --skip-license --allow-missing-repository --out "../../$output"
)
python3 - "$output" <<'PYTHON'
import json, re, sys, zipfile

package = zipfile.ZipFile(sys.argv[1])
names = set(package.namelist())
problems = []
expected = {"extension.vsixmanifest", "[Content_Types].xml", "extension/package.json",
            "extension/README.md", "extension/images/hover.png",
            "extension/dist/extension.js"}
if names != expected:
    problems.append(f"files {sorted(names)}, expected {sorted(expected)}")

manifest = json.loads(package.read("extension/package.json"))
if manifest.get("main") != "./dist/extension.js":
    problems.append(f"main is {manifest.get('main')}, not the bundle")
setting = manifest["contributes"]["configuration"]["properties"]["ksImageCheck.path"]
if setting.get("scope") != "machine":
    problems.append(f"ksImageCheck.path has scope {setting.get('scope')}, not machine")
untrusted = manifest.get("capabilities", {}).get("untrustedWorkspaces", {})
if untrusted.get("supported") != "limited" or \
        "ksImageCheck.path" not in untrusted.get("restrictedConfigurations", []):
    problems.append(f"ksImageCheck.path is not restricted in untrusted workspaces: {untrusted}")
commands = [c["command"] for c in manifest["contributes"].get("commands", [])]
if "ksImageCheck.restartServer" not in commands:
    problems.append("no restart command")
defaults = manifest["contributes"].get("configurationDefaults", {}).get("[ks]", {})
if defaults.get("files.autoGuessEncoding") is not True:
    problems.append("no [ks] default that guesses the encoding")

bundle = package.read("extension/dist/extension.js").decode("utf-8")
# The selector, as esbuild writes it: by language and by file pattern.
for part in ('language:"ks"', 'pattern:"**/*.ks"', '"ksImageCheck.restartServer"',
             '"ksImageCheck.path"'):
    if part not in bundle:
        problems.append(f"the bundle lacks {part}")
# One file: nothing is loaded from node_modules, only VS Code and Node's own modules.
builtins = {"child_process", "crypto", "fs", "net", "os", "path", "util", "events",
            "url", "stream", "buffer", "assert", "tty", "vscode"}
loaded = set(re.findall(r'require\("([^"]+)"\)', bundle))
if not loaded <= builtins:
    problems.append(f"the bundle loads {sorted(loaded - builtins)}")

if problems:
    sys.exit("vscode leg: " + "; ".join(problems))
print(f"vscode leg: {sys.argv[1]} holds {len(names)} files; the manifest, the "
      "selector and the single bundle are as they should be")
PYTHON
