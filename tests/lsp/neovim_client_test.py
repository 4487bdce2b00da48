#!/usr/bin/env python3
"""The language server with a real client: Neovim, headless, loads the snippet of
editors/nvim, opens a script of the sample project and writes back the diagnostics
it received (vim.diagnostic.get), which must be the sample's missing image.

    neovim_client_test.py PROGRAM

Exit status: 0 passed, 1 failed, 77 skipped: no nvim (KIC_REQUIRE_NVIM=1, as in CI,
makes a missing nvim a failure).
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SKIPPED = 77
REPOSITORY = Path(__file__).resolve().parents[2]
SNIPPET = REPOSITORY / "editors/nvim/ks-image-check.lua"
SAMPLE = REPOSITORY / "examples/sample-project"

# The paths go in as Lua string literals: json.dumps with non-ASCII kept as it is
# writes valid ones for paths without control characters. The work runs under pcall
# so that an error ends Neovim too instead of waiting at a prompt.
DRIVER = """
local function check()
  vim.g.ks_image_check_cmd = {{ {program}, '--lsp' }}
  dofile({snippet})
  vim.cmd('edit ' .. vim.fn.fnameescape({script}))
  local arrived = vim.wait(30000, function() return #vim.diagnostic.get(0) > 0 end, 50)
  local found = {{}}
  for _, d in ipairs(vim.diagnostic.get(0)) do
    table.insert(found, {{ lnum = d.lnum, col = d.col, end_col = d.end_col,
                           severity = d.severity, message = d.message }})
  end
  return {{ arrived = arrived, diagnostics = found }}
end
local ok, received = pcall(check)
if not ok then received = {{ error = tostring(received) }} end
vim.fn.writefile({{ vim.fn.json_encode(received) }}, {result})
vim.cmd('qall!')
"""

# prologue.ks, line 10: [image storage="chara/hero_yawn.png" folder="data/fgimage" ...]
EXPECTED = [{"lnum": 9, "col": 16, "end_col": 35, "severity": 1,
             "message": "画像ファイルが見つかりません: chara/hero_yawn.png"}]


def main():
    program = os.path.abspath(sys.argv[1])
    nvim = shutil.which("nvim")
    if nvim is None:
        if os.environ.get("KIC_REQUIRE_NVIM") == "1":
            sys.exit("error: nvim is missing (Debian: neovim)")
        print("skipped: no nvim (Debian: neovim)")
        return SKIPPED
    with tempfile.TemporaryDirectory(prefix="kic-nvim-") as folder:
        work = Path(folder)
        project = work / "サンプル"
        shutil.copytree(SAMPLE, project)
        result = work / "result.json"
        driver = work / "driver.lua"
        def lua(text):
            return json.dumps(str(text), ensure_ascii=False)
        driver.write_text(DRIVER.format(
            program=lua(program), snippet=lua(SNIPPET),
            script=lua(project / "scenario/prologue.ks"), result=lua(result)),
            encoding="utf-8")
        # Neovim's own files (its LSP log among them) stay in the scratch folder.
        environment = dict(os.environ, HOME=str(work))
        for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"):
            environment[name] = str(work / name.lower())
        run = subprocess.run([nvim, "--headless", "-u", "NONE", "-i", "NONE", "-n",
                              "-c", "luafile " + str(driver)],
                             env=environment, stdin=subprocess.DEVNULL,
                             capture_output=True, timeout=120)
        if not result.exists():
            print("nvim wrote no result:", run.stdout.decode(errors="replace"),
                  run.stderr.decode(errors="replace"))
            return 1
        received = json.loads(result.read_text(encoding="utf-8"))
    if received.get("diagnostics") != EXPECTED:
        print("expected:", EXPECTED)
        print("received:", received)
        print("neovim client: 0 passed, 1 failed")
        return 1
    print("neovim client: 1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
