-- Peer of bench/string_split.orv: the text is built in a buffer (appending to
-- a Lua string copies it whole), then taken apart twice: field by field with
-- find (the Loop, Parse side) and into a table of parts (the StrSplit side).
-- The trailing comma leaves an empty last field, which adds nothing.
local buf = {}
for i = 1, 200000 do
  buf[#buf + 1] = i .. ","
end
local s = table.concat(buf)
local total = 0
local start = 1
while true do
  local stop = s:find(",", start, true)
  local field = stop and s:sub(start, stop - 1) or s:sub(start)
  if field ~= "" then total = total + tonumber(field) end
  if not stop then break end
  start = stop + 1
end
local parts = {}
for p in (s .. ","):gmatch("([^,]*),") do
  parts[#parts + 1] = p
end
local total2 = 0
for _, p in ipairs(parts) do
  if p ~= "" then total2 = total2 + tonumber(p) end
end
print(#s .. " " .. total .. " " .. total2 .. " " .. s:sub(100001, 100010))
