-- Peer of bench/file_lines.orv: 100 MB written line by line with CR LF
-- line ends, read back line by line with the CR taken off; the checksum
-- counts each line's characters and its line feed.
local path = (os.getenv("TMPDIR") or "/tmp") .. "/orv_bench_file_lines.txt"
local chars = {}
for i = 1, 98 do chars[i] = string.char(97 + i % 26) end
local line = table.concat(chars)
local f = assert(io.open(path, "wb"))
for _ = 1, 1000000 do f:write(line, "\r\n") end
f:close()
local n, total = 0, 0
for l in io.lines(path) do
  if l:sub(-1) == "\r" then l = l:sub(1, -2) end
  n = n + 1
  total = total + #l + 1
end
os.remove(path)
print("lines=" .. n .. " chars=" .. total)
