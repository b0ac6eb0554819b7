-- Peer of bench/object_string_keys.orv: a table of 200,000 string keys.
local o = {}
for i = 1, 200000 do
  o["k" .. (i * 7919 % 200003)] = i
end
local count = 0
for _ in pairs(o) do count = count + 1 end
local total = 0
for i = 1, 200000 do
  total = total + o["k" .. (i * 7919 % 200003)]
end
print(count .. " " .. total)
