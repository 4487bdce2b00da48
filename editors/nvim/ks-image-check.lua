-- ks-image-check as a language server for .ks scripts in Neovim's built-in client
-- (Neovim 0.7 or later): missing images are marked as you type, in every script of
-- the project.
--
-- Copy this file to ~/.config/nvim/plugin/ks-image-check.lua. The program must be on
-- the PATH, or name it before the file is loaded:
--   vim.g.ks_image_check_cmd = { '/path/to/ks-image-check', '--lsp' }

-- The project's root is the nearest folder above the script that holds "scenario".
local function project_root(file)
  local folder = vim.fn.fnamemodify(file, ':p:h')
  local dir = folder
  while true do
    if vim.fn.isdirectory(dir .. '/scenario') == 1 then
      return dir
    end
    local parent = vim.fn.fnamemodify(dir, ':h')
    if parent == dir then
      return folder
    end
    dir = parent
  end
end

-- Older scripts are saved in Shift-JIS (cp932). Neovim would read them as latin1,
-- and the server could not read a Japanese name; so .ks files are tried as UTF-8
-- (with or without a byte-order mark) first, then as cp932. 'fileencodings' is
-- global: it is set only while a .ks file is read. Scripts in GBK or Big5 name
-- their code page instead, before the file is loaded:
--   vim.g.ks_image_check_fileencodings = 'ucs-bom,utf-8,cp936'   -- or cp950
local saved_fileencodings = nil
vim.api.nvim_create_autocmd('BufReadPre', {
  pattern = '*.ks',
  callback = function()
    saved_fileencodings = saved_fileencodings or vim.o.fileencodings
    vim.o.fileencodings = vim.g.ks_image_check_fileencodings or 'ucs-bom,utf-8,cp932'
  end,
})
vim.api.nvim_create_autocmd('BufReadPost', {
  pattern = '*.ks',
  callback = function()
    if saved_fileencodings ~= nil then
      vim.o.fileencodings = saved_fileencodings
      saved_fileencodings = nil
    end
  end,
})

local function on_attach(_, buffer)
  local map = function(keys, action)
    vim.keymap.set('n', keys, action, { buffer = buffer })
  end
  map('K', vim.lsp.buf.hover) -- the file an image name leads to, where a jump goes
  map('gd', vim.lsp.buf.definition) -- open that file, or the label a jump goes to
  map('gr', vim.lsp.buf.references) -- every line of the project that loads it
  map('gO', vim.lsp.buf.document_symbol) -- the script's labels
  map('<leader>ca', vim.lsp.buf.code_action) -- quick fixes: images, jumps, sounds
  vim.bo[buffer].omnifunc = 'v:lua.vim.lsp.omnifunc' -- <C-x><C-o>: names and labels
end

local clients = {} -- by root, for Neovim 0.7, which has no vim.lsp.start

vim.api.nvim_create_autocmd({ 'BufReadPost', 'BufNewFile' }, {
  pattern = '*.ks',
  callback = function(args)
    local root = project_root(vim.api.nvim_buf_get_name(args.buf))
    local config = {
      name = 'ks-image-check',
      cmd = vim.g.ks_image_check_cmd or { 'ks-image-check', '--lsp' },
      root_dir = root,
      workspace_folders = { { uri = vim.uri_from_fname(root), name = root } },
      on_attach = on_attach,
    }
    if vim.lsp.start then
      vim.lsp.start(config, { bufnr = args.buf })
      return
    end
    local id = clients[root]
    if id == nil or vim.lsp.get_client_by_id(id) == nil then
      id = vim.lsp.start_client(config)
      clients[root] = id
    end
    if id ~= nil then
      vim.lsp.buf_attach_client(args.buf, id)
    end
  end,
})
