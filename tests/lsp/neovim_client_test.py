#!/usr/bin/env python3
"""The language server with a real client: Neovim, headless, loads the snippet of
editors/nvim, opens a script of the sample project and writes back what it got:
the diagnostics (vim.diagnostic.get), which must be the sample's missing image, the
references of an image name across the project, a script's labels and where gd on a
jump's label goes, and, for a Shift-JIS script, the encoding Neovim read it in and
the diagnostics of its Japanese name.

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
local function diagnostics_of(buffer)
  local found = {{}}
  for _, d in ipairs(vim.diagnostic.get(buffer)) do
    table.insert(found, {{ lnum = d.lnum, col = d.col, end_col = d.end_col,
                           severity = d.severity, message = d.message }})
  end
  return found
end

local function wait_for_diagnostics()
  return vim.wait(30000, function() return #vim.diagnostic.get(0) > 0 end, 50)
end

local function check()
  vim.g.ks_image_check_cmd = {{ {program}, '--lsp' }}
  dofile({snippet})
  local result = {{}}
  vim.cmd('edit ' .. vim.fn.fnameescape({script}))
  result.arrived = wait_for_diagnostics()
  result.diagnostics = diagnostics_of(0)
  -- Find references from an image name: every line of the project that loads it.
  local params = vim.lsp.util.make_position_params()
  params.position = {{ line = 4, character = 20 }}
  params.context = {{ includeDeclaration = true }}
  local answers = vim.lsp.buf_request_sync(0, 'textDocument/references', params, 20000)
  result.references = {{}}
  for _, answer in pairs(answers or {{}}) do
    for _, location in ipairs(answer.result or {{}}) do
      table.insert(result.references, {{
        file = vim.fn.fnamemodify(vim.uri_to_fname(location.uri), ':t'),
        line = location.range.start.line }})
    end
  end
  table.sort(result.references, function(a, b) return a.file < b.file end)
  -- A jump: its script's outline, and gd on its label goes to the label's line.
  vim.cmd('edit ' .. vim.fn.fnameescape({jumps}))
  vim.wait(20000, function() return #vim.lsp.buf_get_clients(0) > 0 end, 50)
  local symbols = vim.lsp.buf_request_sync(0, 'textDocument/documentSymbol',
    {{ textDocument = vim.lsp.util.make_text_document_params() }}, 20000)
  result.symbols = {{}}
  for _, answer in pairs(symbols or {{}}) do
    for _, symbol in ipairs(answer.result or {{}}) do
      table.insert(result.symbols, symbol.name)
    end
  end
  vim.api.nvim_win_set_cursor(0, {{ 3, 34 }})
  vim.lsp.buf.definition()
  vim.wait(20000, function() return vim.fn.expand('%:t') == 'goal.ks' end, 50)
  result.definition = {{ file = vim.fn.expand('%:t'), line = vim.fn.line('.') }}
  -- A Shift-JIS script: read as cp932, so the server gets its Japanese names.
  vim.cmd('edit ' .. vim.fn.fnameescape({sjis}))
  result.sjis = {{ fileencoding = vim.bo.fileencoding, line = vim.fn.getline(1) }}
  result.sjis.arrived = wait_for_diagnostics()
  result.sjis.diagnostics = diagnostics_of(0)
  result.fileencodings = vim.o.fileencodings
  return result
end
local ok, received = pcall(check)
if not ok then received = {{ error = tostring(received) }} end
vim.fn.writefile({{ vim.fn.json_encode(received) }}, {result})
vim.cmd('qall!')
"""

SJIS_LINE = '[bg storage="教室.png" folder="data/bgimage"]'

# Written into the copy of the sample: a jump to a label a few lines down another
# script (the cursor goes on its "*goal", line 3, byte 34).
JUMPS_KS = '*top\n*つづき\n[jump storage="goal.ks" target=*goal]\n'
GOAL_KS = "; ここから\n\n*goal\n[s]\n"

# prologue.ks, line 10: [image storage="chara/hero_yawn.png" folder="data/fgimage" ...]
EXPECTED = {
    "arrived": True,
    "diagnostics": [{"lnum": 9, "col": 16, "end_col": 35, "severity": 1,
                     "message": "画像ファイルが見つかりません: chara/hero_yawn.png"}],
    # chara/hero_smile.png, on line 5 of prologue.ks, is loaded there and by ending.ks.
    "references": [{"file": "ending.ks", "line": 3}, {"file": "prologue.ks", "line": 4}],
    "symbols": ["*top", "*つづき"],
    "definition": {"file": "goal.ks", "line": 3},
    "sjis": {"fileencoding": "cp932", "line": SJIS_LINE, "arrived": True,
             "diagnostics": [{"lnum": 0, "col": 13, "end_col": 19, "severity": 1,
                              "message": "画像ファイルが見つかりません: 教室.png"}]},
    # Set only while a .ks file is read: Neovim's default again.
    "fileencodings": "ucs-bom,utf-8,default,latin1",
}


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
        sjis = project / "scenario/sjis.ks"
        sjis.write_bytes((SJIS_LINE + "\r\n").encode("cp932"))
        (project / "scenario/jumps.ks").write_text(JUMPS_KS, encoding="utf-8")
        (project / "scenario/goal.ks").write_text(GOAL_KS, encoding="utf-8")
        result = work / "result.json"
        driver = work / "driver.lua"
        def lua(text):
            return json.dumps(str(text), ensure_ascii=False)
        driver.write_text(DRIVER.format(
            program=lua(program), snippet=lua(SNIPPET),
            script=lua(project / "scenario/prologue.ks"), sjis=lua(sjis),
            jumps=lua(project / "scenario/jumps.ks"),
            result=lua(result)),
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
    failed = [name for name in EXPECTED if received.get(name) != EXPECTED[name]]
    for name in failed:
        print(f"{name}: expected {EXPECTED[name]}")
        print(f"{name}: received {received.get(name)}")
    if "error" in received:
        print("error:", received["error"])
        failed.append("error")
    print(f"neovim client: {len(EXPECTED) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
