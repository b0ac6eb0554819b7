-- Peer of bench/for_object.orv: a table of string keys walked ten times.
local o = {}
local count = 0
for i = 1, 50000 do
  o["key" .. i] = i * 3
end
for _ in pairs(o) do count = count + 1 end
local total = 0
for _ = 1, 10 do
  for k, v in pairs(o) do
    total = total + v + #k
  end
end
print(count .. " " .. total)
