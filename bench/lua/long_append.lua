-- Peer of bench/long_append.orv. Appending to a Lua string copies it whole,
-- so the idiomatic growing text is a buffer of pieces joined once.
local buf = {}
for i = 1, 8000000 do
  buf[i] = "abc"
end
local s = table.concat(buf)
print(#s .. " " .. s:sub(12000001, 12000007) .. " " .. s:sub(-1))
