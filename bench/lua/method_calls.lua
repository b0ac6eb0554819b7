-- Peer of bench/method_calls.orv: the same two classes, as metatables.
local Counter = {}
Counter.__index = Counter

function Counter.new(step)
  return setmetatable({ n = 0, step = step }, Counter)
end

function Counter:add(x)
  self.n = self.n + x * self.step
  return self.n
end

function Counter:get()
  return self.n
end

local Wrapping = setmetatable({}, { __index = Counter })
Wrapping.__index = Wrapping

function Wrapping.new(step)
  return setmetatable(Counter.new(step), Wrapping)
end

function Wrapping:add(x)
  self.n = (self.n + x * self.step) % 1000003
  return self.n
end

local a = Counter.new(1)
local b = Wrapping.new(3)
local last = 0
for i = 1, 300000 do
  a:add(i)
  last = b:add(i)
end
print(a:get() .. " " .. b:get() .. " " .. last)
