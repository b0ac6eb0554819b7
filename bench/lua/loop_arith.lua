-- Peer of bench/loop_arith.orv: the same generator and sum, in integers.
local x = 1
local total = 0
for i = 1, 1000000 do
  x = (x * 1103515245 + 12345) % 2147483648
  total = total + (x & 0xFFFF) + i // 3 - (x >> 20)
end
print(x .. " " .. total)
