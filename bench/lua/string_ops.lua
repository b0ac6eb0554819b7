-- Peer of bench/string_ops.orv. Appending to a Lua string copies it whole,
-- so the idiomatic growing text is a buffer of pieces joined once.
local buf = {}
for i = 1, 500000 do
  buf[#buf + 1] = string.char(97 + (i * 7) % 26)
end
local s = table.concat(buf)
local total = 0
for i = 1, 500000 do
  local t = s:sub(i, i + 3)
  total = total + t:byte(1) + #t
end
print(#s .. " " .. total .. " " .. s:sub(1000, 1007))
