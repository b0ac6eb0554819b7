-- Peer of bench/regex.orv with Lua's own string patterns, the closest it
-- has: no alternation and no case folding, so the word test lowers the line
-- and tries each word between frontier patterns.
local words = {"alpha", "Error", "beta", "WARNING", "gamma", "warnings"}
local dates, hits, total, r = 0, 0, 0, ""
for i = 1, 333334 do
  local m, d = i % 12 + 1, i % 28 + 1
  local line = string.format("id%d on %d-%02d-%02d %s", i, 2000 + i % 27, m, d, words[i % 6 + 1])
  local y, mo, da = line:match("(%d%d%d%d)-(%d%d)-(%d%d)")
  if y then dates = dates + tonumber(y) + tonumber(mo) + tonumber(da) end
  local low = line:lower()
  if low:find("%f[%w]error%f[%W]") or low:find("%f[%w]warning%f[%W]") then hits = hits + 1 end
  r = line:gsub("(%d%d%d%d)-(%d%d)-(%d%d)", "%3/%2/%1")
  total = total + #r
end
print(dates .. " " .. hits .. " " .. total .. " " .. r)
