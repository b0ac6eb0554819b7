-- Peer of bench/array_int_keys.orv: a table built by appending, summed by index.
local a = {}
for i = 1, 1000000 do
  a[#a + 1] = i
end
local total = 0
for i = 1, #a do
  total = total + a[i]
end
print(total)
